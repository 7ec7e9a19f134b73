#pragma once
// Items (packets read or encoded) made on a thread of their own ahead of the thread that writes them,
// up to a number of bytes held: reading and encoding go on while the file is written, and memory stays
// bounded whatever the span's length.
#include <QString>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace engine::ff {

template <class Item>
class MadeAhead {
  public:
    // `make` gives the next item, or nothing at the end (the reason in its argument on failure); `bytes`
    // tells what an item holds.
    using Make = std::function<std::optional<Item>(QString& error)>;
    using Bytes = std::function<size_t(const Item&)>;

    MadeAhead(Make make, Bytes bytes, size_t bytesAhead)
        : make_(std::move(make)), bytes_(std::move(bytes)), limit_(bytesAhead), thread_([this] { run(); }) {}
    // Stops the maker after the item under way and waits for it.
    ~MadeAhead() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
            changed_.notify_all();
        }
        thread_.join();
    }
    MadeAhead(const MadeAhead&) = delete;
    MadeAhead& operator=(const MadeAhead&) = delete;

    // The next item; nothing at the end, with `error` set when the maker failed.
    std::optional<Item> next(QString& error) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !items_.empty() || ended_; });
        if (items_.empty()) {
            error = error_;
            return std::nullopt;
        }
        Item item = std::move(items_.front());
        items_.pop_front();
        held_ -= bytes_(item);
        changed_.notify_all();
        return item;
    }

  private:
    void run() {
        while (true) {
            {
                // At least one item is always let through, however large.
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stopped_ || held_ < limit_ || items_.empty(); });
                if (stopped_)
                    return;
            }
            QString error;
            std::optional<Item> item = make_(error);
            std::lock_guard lock(mutex_);
            if (!item) {
                error_ = error;
                ended_ = true;
                changed_.notify_all();
                return;
            }
            held_ += bytes_(*item);
            items_.push_back(std::move(*item));
            changed_.notify_all();
        }
    }

    Make make_;
    Bytes bytes_;
    const size_t limit_;
    std::mutex mutex_; // guards what follows
    std::condition_variable changed_;
    std::deque<Item> items_;
    size_t held_ = 0;
    bool ended_ = false, stopped_ = false;
    QString error_;
    std::thread thread_; // last: it starts once the rest is set up
};

} // namespace engine::ff
