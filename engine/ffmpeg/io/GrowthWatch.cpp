#include "io/GrowthWatch.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace engine::ff {

GrowthWatch::GrowthWatch(const QString& path) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0 &&
        inotify_add_watch(fd_, path.toUtf8().constData(),
                          IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_MOVE_SELF | IN_DELETE_SELF) < 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

GrowthWatch::~GrowthWatch() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool GrowthWatch::wait(std::chrono::milliseconds upTo) {
    if (fd_ < 0) {
        ::usleep(useconds_t(upTo.count() * 1000));
        return false;
    }
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, int(upTo.count())) <= 0)
        return false;
    alignas(inotify_event) char buf[4096];
    ssize_t got = 0;
    while ((got = ::read(fd_, buf, sizeof buf)) > 0)
        for (ssize_t at = 0; at < got;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buf + at);
            if (ev->mask & (IN_MOVE_SELF | IN_DELETE_SELF | IN_IGNORED))
                gone_ = true;
            at += ssize_t(sizeof(inotify_event) + ev->len);
        }
    return true;
}

} // namespace engine::ff
