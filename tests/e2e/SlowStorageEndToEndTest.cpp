// The window on storage that holds every read, as a network share that stops answering does: opening a
// clip, seeking, and clicking the next clip during a seek all give the window back while the engine still
// waits for the storage; once the storage answers, the clip asked for last plays.
#include "StationHarness.h"

#include <QTimer>
#include <condition_variable>
#include <mutex>

namespace e2e {
namespace {

const QString kNewsClip = QString::fromUtf8("Jornal da Manhã 06h.mp4");
const QString kPromoClip = QStringLiteral("Chamada 15h.mov");

// Reads of clip files wait while the storage is held.
class HeldStorage {
  public:
    // A small part of a sample clip (the storage's own read-ahead holds one whole): a seek waits for it.
    static constexpr int64_t kReadAhead = 64 * 1024;
    engine::ff::ByteSourceDecorator decorator() {
        return engine::ff::gateReads([this](const QString&) {
            std::unique_lock lk(m_);
            cv_.wait(lk, [&] { return !held_; });
        }, kReadAhead);
    }
    void hold(bool held) {
        std::lock_guard lk(m_);
        held_ = held;
        cv_.notify_all();
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    bool held_ = false;
};

struct SlowStorage : StationHarness {
    HeldStorage storage;
    SlowStorage() { engine = engine::ff::makeFfmpegEngine(storage.decorator()); }
    ~SlowStorage() override {
        storage.hold(false);
        if (window)
            window->close();
        window.reset();
    }
    bool stillOpening() {
        QString opening;
        engine::query<engine::IMProps>(fields().m_pFile)->GetProp(QStringLiteral("opening"), opening);
        return opening == QLatin1String("true");
    }
    // Events queued behind the operator's action run while the engine still waits for the storage.
    void expectEventsRunWhileOpening() {
        bool ran = false;
        QTimer::singleShot(0, window.get(), [&] { ran = true; });
        EXPECT_TRUE(waitFor([&] { return ran; }));
        EXPECT_TRUE(stillOpening());
    }
};

TEST_F(SlowStorage, OpeningAndClickingTheNextClipDuringASeekNeverWaitForTheStorage) {
    chooseDate(kRecordingDay);
    chooseChannel(0);
    clickClip(kNewsClip);
    storage.hold(true);
    click(ui().BtPlay);
    // Had the window waited for the open, it would be over (opened, or given up on the silent storage).
    EXPECT_TRUE(stillOpening());
    expectEventsRunWhileOpening();
    EXPECT_EQ(counter(), "00:00:00:00");
    storage.hold(false);
    ASSERT_TRUE(waitFor([&] { return shownFrame() > 10; })) << "picture " << shownFrame();

    // A seek that waits for the storage, then the next clip clicked and played.
    storage.hold(true);
    click(ui().TBPlay, QPoint(ui().TBPlay->width() * 3 / 4, ui().TBPlay->height() / 2));
    chooseChannel(1);
    clickClip(kPromoClip);
    click(ui().BtPlay);
    EXPECT_TRUE(stillOpening());
    expectEventsRunWhileOpening();
    storage.hold(false);
    ASSERT_TRUE(waitFor([&] { return !stillOpening() && shownFrame() > 10; })) << "picture " << shownFrame();
    EXPECT_TRUE(fields().arquivo_play.endsWith(kPromoClip)) << fields().arquivo_play.toStdString();
    EXPECT_TRUE(scripted.messages.shown.isEmpty()) << scripted.messages.shown.join("\n").toStdString();
}

} // namespace
} // namespace e2e
