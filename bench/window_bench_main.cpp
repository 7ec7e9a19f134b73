// veltra-bench-window ROOT DAY [--held-ms MS]: drives the player window on the real engine over the sample
// recordings under ROOT (recorded on DAY, yyyy-MM-dd) as an operator does: lists each channel, opens its
// clips one after another, seeks, plays, pauses, marks, stops, exports the range with "copy" and with a
// re-encode, and closes the window. A timer that notes its own lateness tells how long the event loop did
// not run. With --held-ms, the storage holds every read for MS milliseconds after each of the operator's
// actions, as a slow network share does.
//
// Prints "engine MS" (the longest block while engine calls and the export job ran) and "fs MS" (while
// the handlers listed folders, which they do on the window's thread by design).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "ScriptedServices.h"
#include "TFrm_Player.h"
#include "engine_ffmpeg/FfmpegEngine.h"
#include "settings/RegConfig.h"
#include "widgets/BitmapButton.h"
#include "widgets/ClipList.h"
#include "widgets/DatePicker.h"
#include "widgets/PositionBar.h"
#include "widgets/RadioGroup.h"
#include "widgets/StatusStrip.h"

namespace {

using Clock = std::chrono::steady_clock;

// Holds every read until a moment the bench sets.
class SlowStorage {
  public:
    engine::ff::ByteSourceDecorator decorator() {
        return engine::ff::gateReads([this](const QString&) {
            std::unique_lock lk(m_);
            cv_.wait_until(lk, until_, [&] { return Clock::now() >= until_; });
        });
    }
    void holdFor(std::chrono::milliseconds ms) {
        std::lock_guard lk(m_);
        until_ = Clock::now() + ms;
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    Clock::time_point until_{};
};

// The longest gap between the ticks of a 2 ms timer, per kind of work under way.
class LoopWatch {
  public:
    enum Kind { kEngine, kFileSystem };
    LoopWatch() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        timer_.start(2);
        last_ = Clock::now();
    }
    void set(Kind kind) {
        tick(); // what ran before belongs to the earlier kind
        kind_ = kind;
    }
    double worst(Kind kind) const { return worst_[kind]; }

  private:
    void tick() {
        const auto now = Clock::now();
        const double late = std::chrono::duration<double, std::milli>(now - last_).count() - 2.0;
        worst_[kind_] = std::max(worst_[kind_], late);
        last_ = now;
    }
    QTimer timer_;
    Clock::time_point last_;
    Kind kind_ = kEngine;
    double worst_[2] = {0, 0};
};

class Operator {
  public:
    Operator(TFrm_Player& window, LoopWatch& watch, SlowStorage& storage, int heldMs)
        : window_(window), ui_(window.controls()), watch_(watch), storage_(storage), held_(heldMs) {}

    void act(LoopWatch::Kind kind, const std::function<void()>& action) {
        if (held_.count() > 0)
            storage_.holdFor(held_);
        watch_.set(kind);
        action();
        watch_.set(LoopWatch::kEngine);
    }
    void click(QWidget* w, QPoint at = {}) {
        act(LoopWatch::kEngine, [&] { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at.isNull() ? w->rect().center() : at); });
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::ControlModifier) {
        act(LoopWatch::kEngine, [&] { QTest::keyClick(&window_, k, m); });
    }
    void listChannel(QDate day, int channel) {
        act(LoopWatch::kFileSystem, [&] {
            ui_.ComboData->setDate(day);
            emit ui_.ComboData->closeUp();
            ui_.RGCanal->button(channel)->click();
        });
    }
    void clickClip(int row) {
        widgets::ClipList* list = ui_.FileList;
        act(LoopWatch::kEngine, [&] {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualItemRect(list->item(row)).center());
        });
    }
    void wait(int ms) { QTest::qWait(ms); }
    bool waitFor(const std::function<bool()>& done, int ms) { return QTest::qWaitFor(done, ms); }

    // Opens the clip, plays, seeks, pauses, marks a second, stops.
    void workOnClip(int row) {
        clickClip(row);
        click(ui_.BtPlay);
        wait(1000 + int(held_.count()));
        click(ui_.TBPlay, QPoint(ui_.TBPlay->width() / 2, ui_.TBPlay->height() / 2));
        wait(500);
        click(ui_.BtPausa);
        wait(200);
        key(Qt::Key_I);
        key(Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
        wait(300 + int(held_.count()));
        key(Qt::Key_O);
        click(ui_.BtStop);
        wait(200);
    }
    // Exports the marked range with `parameters` into `folder`; false when it did not end within a minute.
    bool exportRange(const QString& parameters, const QString& file, testsupport::ScriptedSaveDialog& dialog) {
        RegConfig("escrever", "Parametros_Codec", parameters);
        dialog.answer = file;
        click(ui_.BtExportar);
        return waitFor([&] { return ui_.BtExportar->tag() == 0 && !ui_.PainelArquivo->text().startsWith("Exportando"); },
                       120000);
    }

  private:
    TFrm_Player& window_;
    const PlayerControls& ui_;
    LoopWatch& watch_;
    SlowStorage& storage_;
    std::chrono::milliseconds held_;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2 && !(args.size() == 4 && args[2] == "--held-ms")) {
        std::fprintf(stderr, "usage: veltra-bench-window ROOT DAY [--held-ms MS]\n");
        return 2;
    }
    const QString root = args[0];
    const QDate day = QDate::fromString(args[1], "yyyy-MM-dd");
    const int heldMs = args.size() == 4 ? args[3].toInt() : 0;
    RegConfig("escrever", "storage", QDir::toNativeSeparators(root));
    RegConfig("escrever", "extensao", "mp4");
    const QString exports = QDir(root).filePath("exports");
    QDir().mkpath(exports);

    SlowStorage storage;
    const std::unique_ptr<engine::IEngineFactory> factory = engine::ff::makeFfmpegEngine(storage.decorator());
    testsupport::ScriptedServices services;
    services.dates.todayDate = day;
    LoopWatch watch;
    auto window = std::make_unique<TFrm_Player>(*factory, services.view());
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        std::fprintf(stderr, "veltra-bench-window: the window was not shown\n");
    Operator op(*window, watch, storage, heldMs);

    const int channels = window->controls().RGCanal->items().size();
    for (int channel = 0; channel < channels; ++channel) {
        op.listChannel(day, channel);
        for (int row = 0; row < window->controls().FileList->count(); ++row)
            op.workOnClip(row);
    }
    op.listChannel(day, 0);
    op.workOnClip(0);
    bool exported = op.exportRange("format=mp4 video=copy audio=copy", QDir(exports).filePath("copia.mp4"), services.saveDialog);
    op.workOnClip(0);
    exported = op.exportRange("format=mp4 video=libx264 audio=aac", QDir(exports).filePath("recodificado.mp4"),
                              services.saveDialog) && exported;
    op.act(LoopWatch::kEngine, [&] { window->close(); });
    op.wait(100);
    op.act(LoopWatch::kEngine, [&] { window.reset(); });
    if (!exported || !services.messages.shown.isEmpty())
        std::fprintf(stderr, "veltra-bench-window: exports did not end cleanly: %s\n",
                     qPrintable(services.messages.shown.join(" | ")));
    std::printf("engine %.1f\nfs %.1f\n", watch.worst(LoopWatch::kEngine), watch.worst(LoopWatch::kFileSystem));
    return 0;
}
