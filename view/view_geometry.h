#pragma once

#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>

#include <optional>

// Pure geometry of the image view: no widget state, so every rule can be checked with tables.

constexpr double minimumZoom = 1.0;
constexpr double maximumZoom = 8.0;

// Half away from zero, the rounding every integer result of the view uses.
double roundHalfAwayFromZero(double value);
int roundToInt(double value);

// Largest rectangle of the size's aspect ratio centred in the area; 16:9 for unusable sizes.
QRectF fitRect(const QRectF &area, const QSize &size);

// The area a frame is fitted into inside a view of the given rectangle.
QRect pictureAreaIn(const QRect &viewRect);

// Where a frame of the given size is shown inside a view of the given rectangle.
QRectF imageRectIn(const QRect &viewRect, const QSize &frameSize);

double clampZoom(double zoom);

// Zoom after one wheel event of a vertical delta in eighths of a degree (120 per notch).
double wheelZoom(double currentZoom, int angleDeltaY);

// Camera-frame pixels per view pixel of a drag over the shown picture.
QPointF dragScale(const QSize &frameSize, const QRectF &imageRect);

// The scroll bars and pan clamping only apply to a zoomed frame.
bool scrollBarsActive(bool hasFrame, double zoom);

// One axis of the zoomed picture: bar range and the interval the pan offset may take.
struct ScrollAxis {
    int range = 0;
    double lower = 0.0;
    double upper = 0.0;
};

ScrollAxis scrollAxis(int frameLength, double zoom);
double clampToAxis(double offset, const ScrollAxis &axis);
int scrollValue(double offset, const ScrollAxis &axis);
double offsetFromScrollValue(int value, int maximum);

// The zoom and frame-rate badges, 10 px inside the picture's top corners.
struct BadgeGeometry {
    QRectF zoom;
    QRectF frameRate;
};

BadgeGeometry badgeGeometry(const QRectF &imageRect);

// The pointer badge at the picture's lower left and the focus badge at its lower right, each
// as wide as its text needs, both clear of the scroll bars whether or not they are shown.
QRectF pointerBadgeRect(const QRectF &imageRect, double width);
QRectF focusBadgeRect(const QRectF &imageRect, double width);

// The full-frame pixel under a view point, for a picture drawn into `imageRect` that shows
// the part `shown` of the frame (full-frame pixels) at whatever scale it was decoded; nothing
// off the picture.
std::optional<QPoint> framePixelAt(const QPointF &viewPoint, const QRectF &imageRect, const QRect &shown);

struct ScrollBarGeometry {
    QRect horizontal;
    QRect vertical;
};

// The slim bars sit inside the picture's bottom and right edges and never shrink below 20 px.
ScrollBarGeometry scrollBarGeometry(const QRectF &imageRect);
