#include "decode/zoom_crop.h"

#include <algorithm>
#include <cmath>

namespace {

int cropExtent(int full, double zoomFactor)
{
    int extent = std::max(2, static_cast<int>(full / zoomFactor));
    extent -= extent % 2;
    // A frame narrower than two pixels cannot hold the minimum crop.
    return std::min(extent, full);
}

// Integer part of the pan offset; bounded first because converting an out-of-range
// double to int is undefined, and anything beyond the frame clamps to the edge anyway.
int panPixels(double offset, int full)
{
    if (!std::isfinite(offset))
        return 0;
    return static_cast<int>(std::clamp(offset, -double(full), double(full)));
}

int cropStart(int full, int extent, double offset)
{
    const int start = full / 2 + panPixels(offset, full) - extent / 2;
    return std::clamp(start, 0, full - extent);
}

} // namespace

QRect zoomCropRect(const QSize &frameSize, double zoomFactor, const QPointF &panOffset)
{
    const int width = frameSize.width();
    const int height = frameSize.height();
    if (!(zoomFactor > zoomCropThreshold) || width <= 0 || height <= 0)
        return QRect(0, 0, std::max(width, 0), std::max(height, 0));

    const int cropWidth = cropExtent(width, zoomFactor);
    const int cropHeight = cropExtent(height, zoomFactor);
    return QRect(cropStart(width, cropWidth, panOffset.x()), cropStart(height, cropHeight, panOffset.y()),
                 cropWidth, cropHeight);
}
