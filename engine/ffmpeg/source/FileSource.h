#pragma once
// The file source object: opens clips (or the built-in colour bars), runs the reading, decoding and
// presenter threads, and feeds the renderers and writers registered on its hub.
#include <memory>
#include <vector>

#include "core/EngineObject.h"
#include "core/JobThread.h"
#include "core/MediaSink.h"
#include "core/PropertyBag.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "source/ClipPipeline.h"
#include "source/DecodeWorker.h"
#include "source/Presenter.h"
#include "source/SinkSet.h"
#include "source/SourceCore.h"

namespace engine::ff {

class FileSource final : public EngineObject<FileSource, IMFile, IMObject, IMProps, IMPlugins, ISourceHub> {
  public:
    explicit FileSource(ByteSourceDecorator decorate = {});
    ~FileSource() override;

    // IMFile
    int OpenName(const QString& name, const QString& params) override;
    int SetInOut(double in, double out) override;
    int GetInOut(double& in, double& out, double& duration) override;
    int SetPosition(double position, double reserved) override;
    int GetPosition(double& position) override;
    int PlayFile() override;
    int PauseFile(double reserved) override;
    int StopFile(double reserved) override;
    int SetRate(double rate) override;
    // IMObject
    int StartFrom(IMObject* source) override;
    int CloseObject() override;
    int GetState(int& state) override;
    // IMProps
    int SetProp(const QString& name, const QString& value) override;
    int GetProp(const QString& name, QString& value) override;
    // IMPlugins
    int CountPlugins(int& count) override;
    int GetPluginAt(int index, MRef<IMUnknown>& plugin, int& ignored) override;
    int AttachPlugin(IMUnknown* plugin, void* reserved) override;
    int DetachPlugin(IMUnknown* plugin) override;
    // ISourceHub
    void addSink(IMediaSink* sink) override;
    void removeSink(IMediaSink* sink) override;
    void setSoundWanted(IMediaSink* sink, bool wanted) override;
    QString openedPath() const override;
    double playbackRate() const override;

  private:
    // Opening and closing run on opener_; the caller's thread only posts them.
    void openJob(uint64_t generation, const QString& name);
    void closeJob(uint64_t generation);
    bool superseded(uint64_t generation) const;
    uint64_t abandonOpenLocked();
    double framePositionLocked(double target) const;
    void stopPipeline();
    void applyPropLocked(const QString& name, const QString& value);
    int setState(int state);
    void pluginsChanged();
    SinkSet::OwnerChanged soundOwnerChanged();

    const ByteSourceDecorator decorate_;
    mutable SourceCore core_;
    SinkSet sinks_;
    // Guarded by core_.m: bumped by every OpenName and CloseObject (an open under way that sees it
    // change is given up), and whether an open is under way.
    std::atomic<uint64_t> openGeneration_{0};
    bool opening_ = false;
    QString path_;
    // The opener thread's (the destructor's once it is joined).
    std::unique_ptr<DecodeWorker> worker_; // a built-in source
    std::unique_ptr<ClipPipeline> clip_;   // a clip file
    std::unique_ptr<Presenter> presenter_;
    // The caller's thread.
    PropertyBag props_;
    std::vector<MRef<IMUnknown>> plugins_;
    bool closed_ = false;
    std::unique_ptr<JobThread> opener_ = std::make_unique<JobThread>();
};

} // namespace engine::ff
