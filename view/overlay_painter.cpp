#include "view/overlay_painter.h"

#include <QLineF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr double pi = 3.141592653589793;

// Thin overlays stay visible however far the frame is scaled down.
QPen overlayPen(const QColor &color, double width)
{
    return QPen(QBrush(color), std::max(width, 1.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

void drawOverlay(QPainter &painter, const QRectF &target, const QSize &frameSize,
                 const OverlaySettings &overlay)
{
    if (!overlay.enabled || frameSize.width() <= 0 || frameSize.height() <= 0)
        return;

    const double sx = target.width() / frameSize.width();
    const double sy = target.height() / frameSize.height();
    const double s = (sx + sy) * 0.5;
    const QPointF c(target.left() + sx * overlay.centerX, target.top() + sy * overlay.centerY);

    painter.save();
    painter.setClipRect(target, Qt::ReplaceClip);
    painter.setBrush(Qt::NoBrush);

    for (const OverlayCircle &circle : overlay.circles) {
        if (!circle.enabled)
            continue;
        painter.setPen(overlayPen(circle.color, s * circle.thickness));
        painter.drawEllipse(c, circle.radius * sx, circle.radius * sy);
    }

    if (overlay.reticleEnabled) {
        painter.setPen(overlayPen(overlay.reticleColor, s * overlay.reticleThickness));
        const double a = overlay.reticleAngle * pi / 180;
        const double length = overlay.reticleLength;
        // Screen y grows downward: angle 0 points down, growing angles turn counter-clockwise.
        const auto v = [&](double p) {
            return QPointF(std::sin(p) * length * sx, std::cos(p) * length * sy);
        };
        if (overlay.reticleStyle == Cross) {
            painter.drawLine(QLineF(c - v(a), c + v(a)));
            painter.drawLine(QLineF(c - v(a + 1.5707963267948966), c + v(a + 1.5707963267948966)));
        } else {
            for (int i = 0; i < 3; ++i)
                painter.drawLine(QLineF(c, c + v(2 * i * pi / 3 + a)));
        }
    }

    painter.restore();
}
