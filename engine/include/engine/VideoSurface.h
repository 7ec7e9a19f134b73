#pragma once
// Where a preview renderer presents its pictures: the program's preview panel implements it.
#include <QImage>
#include <QSize>

namespace engine {

class IVideoSurface {
public:
    virtual ~IVideoSurface() = default;
    // Size in device pixels the renderer should compose for. Called from engine threads.
    virtual QSize surfaceSize() const = 0;
    // A finished picture of surfaceSize() (letter-boxing, overlays and captions included). Called from
    // engine threads; the surface copies or shares the image and repaints on its own thread.
    virtual void presentImage(const QImage& image) = 0;
};

}  // namespace engine
