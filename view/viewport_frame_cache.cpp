#include "view/viewport_frame_cache.h"

#include "view/viewport_frame.h"

#include <QPaintDevice>
#include <QPainter>

#include <cmath>

void ViewportFrameCache::draw(QPainter &painter, const QRectF &bounds)
{
    // Whole device pixels on the outside, the bounds' own fraction inside, so the cached
    // pixels land exactly where painting directly would have put them.
    const QPointF origin(std::floor(bounds.left()) - 1, std::floor(bounds.top()) - 1);
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    if (cached.isNull() || bounds != cachedBounds || ratio != cachedRatio) {
        const QSize size(static_cast<int>(std::ceil(bounds.right() - origin.x())) + 2,
                         static_cast<int>(std::ceil(bounds.bottom() - origin.y())) + 2);
        cached = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
        cached.setDevicePixelRatio(ratio);
        cached.fill(Qt::transparent);
        QPainter cachePainter(&cached);
        cachePainter.setRenderHint(QPainter::Antialiasing);
        cachePainter.translate(-origin);
        drawViewportFrame(cachePainter, bounds);
        cachedBounds = bounds;
        cachedRatio = ratio;
    }
    painter.drawImage(origin, cached);
}
