#pragma once

#include "view/overlay_settings.h"

#include <QRectF>
#include <QSize>

class QPainter;

// Draws the circles and then the reticle of an overlay whose lengths are in pixels of a frame
// of frameSize, shown in target; clipped to target. With target = the frame's own rectangle it
// draws at frame scale, e.g. onto a saved picture.
void drawOverlay(QPainter &painter, const QRectF &target, const QSize &frameSize,
                 const OverlaySettings &overlay);
