#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>

class QPainter;

// The bezel drawn once per size and position and reused, since its dot lattice costs more
// to paint than the rest of a frame's decoration together.
class ViewportFrameCache {
public:
    void draw(QPainter &painter, const QRectF &bounds);

private:
    QImage cached;   // in device pixels
    QRectF cachedBounds;
    qreal cachedRatio = 0.0;
    QPointF cachedFraction;   // where the bounds begin in the cached pixels
};
