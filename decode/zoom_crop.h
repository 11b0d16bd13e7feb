#pragma once

#include <QPointF>
#include <QRect>
#include <QSize>

// Zoom factors up to this show the whole frame, so a factor that rounds to 1.0 never crops.
inline constexpr double zoomCropThreshold = 1.01;

// The region of a frame shown at a digital zoom factor: centred on the frame centre moved by
// the pan offset (frame pixels), even-sized, and always inside the frame. The whole frame when
// the factor does not exceed zoomCropThreshold.
QRect zoomCropRect(const QSize &frameSize, double zoomFactor, const QPointF &panOffset);
