#include "view/viewport_frame.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// Lines and dots of the bezel sit on whole pixels, truncated toward zero.
int px(double value)
{
    return static_cast<int>(value);
}

QPen thinPen(const QColor &color, qreal width = 1.0)
{
    return QPen(QBrush(color), width);
}

void drawLine(QPainter &painter, double x1, double y1, double x2, double y2)
{
    painter.drawLine(QPoint(px(x1), px(y1)), QPoint(px(x2), px(y2)));
}

} // namespace

void drawViewportFrame(QPainter &painter, const QRectF &bounds)
{
    const QRectF inner = bounds.adjusted(10, 10, -10, -10);
    QPainterPath outerPath;
    outerPath.addRoundedRect(bounds, 10, 10);
    QPainterPath innerPath;
    innerPath.addRoundedRect(inner, 7, 7);
    const QPainterPath ring = outerPath.subtracted(innerPath);

    QLinearGradient gradient(bounds.topLeft(), bounds.bottomRight());
    gradient.setColorAt(0.0, QColor(235, 252, 255, 74));
    gradient.setColorAt(0.35, QColor(36, 215, 255, 44));
    gradient.setColorAt(0.72, QColor(9, 25, 38, 96));
    gradient.setColorAt(1.0, QColor(220, 250, 255, 50));

    const double left = bounds.left();
    const double top = bounds.top();
    const double right = bounds.right();
    const double bottom = bounds.bottom();

    painter.save();
    painter.setClipPath(ring, Qt::ReplaceClip);
    painter.fillPath(ring, gradient);

    painter.setPen(thinPen(QColor(255, 255, 255, 36)));
    for (int x = px(left) + 2; x < right; x += 7) {
        for (int y = px(top) + 3; y < bottom; y += 9) {
            if (isLatticeDot(x, y))
                painter.drawPoint(x, y);
        }
    }

    painter.setPen(thinPen(QColor(255, 255, 255, 58)));
    drawLine(painter, left + 18, top + 2, right - 36, top + 2);
    painter.setPen(thinPen(QColor(36, 215, 255, 44)));
    drawLine(painter, left + 14, bottom - 2, right - 20, bottom - 2);
    painter.restore();
    painter.setBrush(Qt::NoBrush);

    painter.setPen(thinPen(QColor(225, 250, 255, 70)));
    painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter.setPen(thinPen(QColor(36, 215, 255, 130)));
    painter.drawRoundedRect(inner.adjusted(0.5, 0.5, -0.5, -0.5), 7, 7);

    painter.setPen(thinPen(QColor(36, 215, 255), 2));
    drawLine(painter, left + 10, top, left + 44, top);
    drawLine(painter, left, top + 10, left, top + 44);
    drawLine(painter, right - 44, top, right - 10, top);
    drawLine(painter, right, top + 10, right, top + 44);
    drawLine(painter, left + 10, bottom, left + 44, bottom);
    drawLine(painter, left, bottom - 44, left, bottom - 10);
    drawLine(painter, right - 44, bottom, right - 10, bottom);
    drawLine(painter, right, bottom - 44, right, bottom - 10);
}
