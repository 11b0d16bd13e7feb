#include "view/viewport_frame_cache.h"

#include "view/viewport_frame.h"

#include <QPainter>

#include <cmath>

void ViewportFrameCache::draw(QPainter &painter, const QRectF &bounds)
{
    const QTransform toDevice = painter.deviceTransform();
    // Cached pixels can only stand in for painting under a plain, even scaling.
    if (toDevice.type() > QTransform::TxScale || toDevice.m11() != toDevice.m22() || toDevice.m11() <= 0) {
        cached = QImage();
        drawViewportFrame(painter, bounds);
        return;
    }

    // Anchored on whole device pixels outside the bezel, with the bezel's own fraction of a
    // device pixel inside, so the cached pixels land exactly where painting directly would
    // have put them, at fractional display scalings too. The bezel's lines sit on whole
    // pixels and their pens reach one more beyond.
    const QRectF reach(QPointF(std::floor(bounds.left()) - 1, std::floor(bounds.top()) - 1),
                       QPointF(std::ceil(bounds.right()) + 1, std::ceil(bounds.bottom()) + 1));
    const QRectF device = toDevice.mapRect(reach);
    const QPoint anchor(static_cast<int>(std::floor(device.left())), static_cast<int>(std::floor(device.top())));
    const QPointF fraction = toDevice.map(bounds.topLeft()) - QPointF(anchor);
    const qreal ratio = toDevice.m11();
    if (cached.isNull() || bounds != cachedBounds || ratio != cachedRatio || fraction != cachedFraction) {
        const QSize size(static_cast<int>(std::ceil(device.right())) - anchor.x() + 1,
                         static_cast<int>(std::ceil(device.bottom())) - anchor.y() + 1);
        cached = QImage(size, QImage::Format_ARGB32_Premultiplied);
        cached.fill(Qt::transparent);
        QPainter cachePainter(&cached);
        cachePainter.setRenderHint(QPainter::Antialiasing);
        cachePainter.setTransform(toDevice * QTransform::fromTranslate(-anchor.x(), -anchor.y()));
        drawViewportFrame(cachePainter, bounds);
        cachedBounds = bounds;
        cachedRatio = ratio;
        cachedFraction = fraction;
    }

    // One cached pixel per device pixel, on whole device pixels: nothing to resample.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setTransform(QTransform::fromTranslate(anchor.x(), anchor.y()) * toDevice.inverted() * painter.transform());
    painter.drawImage(QPointF(0, 0), cached);
    painter.restore();
}
