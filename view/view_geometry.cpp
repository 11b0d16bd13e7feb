#include "view/view_geometry.h"

#include <algorithm>
#include <cmath>

double roundHalfAwayFromZero(double value)
{
    return std::trunc(value >= 0.0 ? value + 0.5 : value - 0.5);
}

int roundToInt(double value)
{
    return static_cast<int>(roundHalfAwayFromZero(value));
}

QRectF fitRect(const QRectF &area, const QSize &size)
{
    const double aspect = size.isValid() && size.height() > 0
                              ? static_cast<double>(size.width()) / size.height()
                              : 1.7777777777777777;
    double width = area.width();
    double height = width / aspect;
    if (height > area.height()) {
        height = area.height();
        width = height * aspect;
    }
    return QRectF(area.left() + (area.width() - width) * 0.5,
                  area.top() + (area.height() - height) * 0.5, width, height);
}

QRect pictureAreaIn(const QRect &viewRect)
{
    return viewRect.adjusted(26, 26, -26, -26);
}

QRectF imageRectIn(const QRect &viewRect, const QSize &frameSize)
{
    return fitRect(QRectF(pictureAreaIn(viewRect)), frameSize);
}

double clampZoom(double zoom)
{
    return std::clamp(zoom, minimumZoom, maximumZoom);
}

double wheelZoom(double currentZoom, int angleDeltaY)
{
    // 1.15 per 120-unit notch; finer wheels and touchpads send fractions of a notch.
    return clampZoom(currentZoom * std::pow(1.15, angleDeltaY / 120.0));
}

QPointF dragScale(const QSize &frameSize, const QRectF &imageRect)
{
    return QPointF(imageRect.width() > 0.0 ? frameSize.width() / imageRect.width() : 1.0,
                   imageRect.height() > 0.0 ? frameSize.height() / imageRect.height() : 1.0);
}

bool scrollBarsActive(bool hasFrame, double zoom)
{
    return hasFrame && zoom > 1.01;
}

ScrollAxis scrollAxis(int frameLength, double zoom)
{
    const int zoomed = roundToInt(frameLength * zoom);
    const int extra = zoomed - frameLength;
    ScrollAxis axis;
    axis.range = std::max(extra, 0);
    axis.upper = axis.range * 0.5;
    axis.lower = extra > 0 ? (frameLength - zoomed) * 0.5 : 0.0;
    return axis;
}

double clampToAxis(double offset, const ScrollAxis &axis)
{
    return std::clamp(offset, axis.lower, axis.upper);
}

int scrollValue(double offset, const ScrollAxis &axis)
{
    return roundToInt(axis.upper + offset);
}

double offsetFromScrollValue(int value, int maximum)
{
    return value - maximum * 0.5;
}

BadgeGeometry badgeGeometry(const QRectF &r)
{
    return {QRectF(r.left() + 10, r.top() + 10, 112, 28), QRectF(r.right() - 112 - 10, r.top() + 10, 112, 28)};
}

QRectF pointerBadgeRect(const QRectF &r, double width)
{
    // 6 px above the horizontal bar, which ends 19 px above the picture's bottom.
    return QRectF(r.left() + 10, r.bottom() - 19 - 6 - 28, width, 28);
}

QRectF focusBadgeRect(const QRectF &r, double width)
{
    // 6 px left of the vertical bar, which starts 19 px inside the picture's right edge.
    return QRectF(r.right() - 19 - 6 - width, r.bottom() - 19 - 6 - 28, width, 28);
}

std::optional<QPoint> framePixelAt(const QPointF &viewPoint, const QRectF &imageRect, const QRect &shown)
{
    if (imageRect.width() <= 0.0 || imageRect.height() <= 0.0 || shown.isEmpty())
        return std::nullopt;
    const double x = std::floor((viewPoint.x() - imageRect.left()) * shown.width() / imageRect.width());
    const double y = std::floor((viewPoint.y() - imageRect.top()) * shown.height() / imageRect.height());
    if (x < 0 || y < 0 || x >= shown.width() || y >= shown.height())
        return std::nullopt;
    return QPoint(shown.x() + int(x), shown.y() + int(y));
}

ScrollBarGeometry scrollBarGeometry(const QRectF &r)
{
    ScrollBarGeometry g;
    g.horizontal = QRect(roundToInt(r.left() + 8), roundToInt(r.bottom() - 19),
                         roundToInt(std::max(r.width() - 35, 20.0)), 11);
    g.vertical = QRect(roundToInt(r.right() - 19), roundToInt(r.top() + 8), 11,
                       roundToInt(std::max(r.height() - 35, 20.0)));
    return g;
}
