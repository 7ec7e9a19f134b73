#pragma once
// What a video surface keeps between threads: the newest picture and the size to compose for, under one
// lock. Engine threads present and ask the size; the widget deriving from it sets the size when it is
// resized, paints picture() and queues its repaint in pictureArrived().
#include <QImage>
#include <QSize>
#include <mutex>

#include "engine/VideoSurface.h"

namespace engine {

class PictureSurface : public IVideoSurface {
public:
    QSize surfaceSize() const override {
        std::lock_guard lock(mutex_);
        return size_;
    }
    void presentImage(const QImage& image) override {
        {
            std::lock_guard lock(mutex_);
            image_ = image;
        }
        pictureArrived();
    }
    // The newest picture presented; null before the first.
    QImage picture() const {
        std::lock_guard lock(mutex_);
        return image_;
    }

protected:
    // Runs on the presenting thread, which is seldom the widget's own.
    virtual void pictureArrived() = 0;
    void setSurfaceSize(const QSize& devicePixels) {
        std::lock_guard lock(mutex_);
        size_ = devicePixels;
    }

private:
    mutable std::mutex mutex_;
    QImage image_;
    QSize size_;
};

}  // namespace engine
