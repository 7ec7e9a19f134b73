// The end of the program with the secondary output on, against the real preview renderer: its render
// thread asks the output window's picture surface for its size every 100 ms, so the renderer must be
// closed before that surface goes. Run under the address sanitizer, a surface touched after it was
// freed ends the test.
#include <gtest/gtest.h>

#include <QComboBox>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "ScriptedServices.h"
#include "TempSettings.h"
#include "core/EngineObject.h"
#include "engine/VideoSurface.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "output/SecondaryOutput.h"

using namespace engine;

namespace {

// Forwards to the surface the renderer was given and counts how often the render thread reached it.
class WatchedSurface : public IVideoSurface {
  public:
    explicit WatchedSurface(IVideoSurface* target) : target_(target) {}
    QSize surfaceSize() const override {
        const QSize size = target_->surfaceSize();
        std::lock_guard lock(m_);
        ++visits_;
        reached_.notify_all();
        return size;
    }
    void presentImage(const QImage& image) override { target_->presentImage(image); }
    int visits() const {
        std::lock_guard lock(m_);
        return visits_;
    }
    bool waitForVisitAfter(int seen) const {
        std::unique_lock lock(m_);
        return reached_.wait_for(lock, std::chrono::seconds(20), [&] { return visits_ > seen; });
    }

  private:
    IVideoSurface* target_;
    mutable std::mutex m_;
    mutable std::condition_variable reached_;
    mutable int visits_ = 0;
};

// The real renderer, made to draw once more right before it is closed: whatever its window's surface is
// by then gets painted, as the renderer's own periodic check would reach it sooner or later.
class PaintsBeforeClose final : public ff::EngineObject<PaintsBeforeClose, IMPreview, IMObject, IMProps> {
  public:
    explicit PaintsBeforeClose(IEngineFactory& real)
        : preview_(create<IMPreview>(real, CLSID_PreviewRenderer)), object_(query<IMObject>(preview_)),
          props_(query<IMProps>(preview_)) {}

    int EnableOutput(const QString& line, int audio, int video) override {
        return preview_->EnableOutput(line, audio, video);
    }
    int SetWindow(const QString& line, IVideoSurface* surface) override {
        // The renderer is given one window in its life; the watcher stays until the renderer goes.
        watched_ = std::make_unique<WatchedSurface>(surface);
        return preview_->SetWindow(line, watched_.get());
    }
    int SetFullScreen(const QString& line, int on, int displayIndex) override {
        return preview_->SetFullScreen(line, on, displayIndex);
    }
    int StartFrom(IMObject* source) override { return object_->StartFrom(source); }
    int CloseObject() override {
        int state = 0;
        object_->GetState(state);
        if (watched_ && state != 0) {
            const int seen = watched_->visits();
            props_->SetProp(QStringLiteral("maintain_ar"), QStringLiteral("letter-box")); // draws anew
            EXPECT_TRUE(watched_->waitForVisitAfter(seen)) << "the renderer did not draw";
        }
        return object_->CloseObject();
    }
    int GetState(int& state) override { return object_->GetState(state); }
    int SetProp(const QString& name, const QString& value) override { return props_->SetProp(name, value); }
    int GetProp(const QString& name, QString& value) override { return props_->GetProp(name, value); }

  private:
    std::unique_ptr<WatchedSurface> watched_;
    MRef<IMPreview> preview_;
    MRef<IMObject> object_;
    MRef<IMProps> props_;
};

// The FFmpeg engine, with its preview renderers wrapped as above.
class PaintingEngine : public IEngineFactory {
  public:
    MRef<IMUnknown> CreateObject(ClassId classId) override {
        if (classId == CLSID_PreviewRenderer)
            return ff::makeObject<PaintsBeforeClose>(*real_);
        return real_->CreateObject(classId);
    }

  private:
    std::unique_ptr<IEngineFactory> real_ = ff::makeFfmpegEngine();
};

} // namespace

TEST(OutputTeardown, TheRendererIsClosedBeforeItsWindowGoes) {
    TempSettings settings;
    PaintingEngine engine;
    testsupport::ScriptedServices services;
    services.displays.list = {{"main", QRect(0, 0, 1920, 1080), 96, true},
                              {"side", QRect(1920, 0, 1280, 720), 110, false}};
    PlayerFields fields;
    fields.m_pFile = create<IMFile>(engine, CLSID_FileSource);
    fields.m_FileObj = query<IMObject>(fields.m_pFile);
    fields.m_pFile->OpenName(QStringLiteral("ColorBars-HD"), QString());
    QComboBox combo;
    {
        output::SecondaryOutput out{{&combo}, fields, engine, services.view()};
        out.RestauraSaidaHdmi();
        combo.setCurrentIndex(1);
        out.ComboMonitorChange();
        ASSERT_NE(out.FrmSecondMonitorOutPut(), nullptr);
        ASSERT_TRUE(out.FrmSecondMonitorOutPut()->isVisible());
    }
    fields.m_FileObj->CloseObject();
}
