#include "camera/mjpeg_geometry.h"

#include <algorithm>
#include <cmath>

namespace {

// The pan offset is unbounded while zoom is off; keep its integer part representable.
int truncatedOffset(double value)
{
    if (!std::isfinite(value))
        return 0;
    return static_cast<int>(std::clamp(value, -1.0e9, 1.0e9));
}

int cropSide(int side, double zoom)
{
    int crop = std::max(2, static_cast<int>(side / zoom));
    crop -= crop % 2;
    return std::min(crop, side);
}

int cropStart(int side, int crop, double offset)
{
    const int start = side / 2 + truncatedOffset(offset) - crop / 2;
    return std::clamp(start, 0, side - crop);
}

} // namespace

cv::Rect zoomCropRect(cv::Size frame, double zoom, cv::Point2d offset)
{
    if (!(zoom > 1.01) || frame.width <= 0 || frame.height <= 0)
        return cv::Rect(cv::Point(), frame);
    const int width = cropSide(frame.width, zoom);
    const int height = cropSide(frame.height, zoom);
    return cv::Rect(cropStart(frame.width, width, offset.x),
                    cropStart(frame.height, height, offset.y), width, height);
}

cv::Size2d fittedSize(cv::Size area, cv::Size picture)
{
    const double aspect = picture.width > 0 && picture.height > 0
            ? double(picture.width) / picture.height
            : 16.0 / 9.0;
    double width = area.width;
    double height = width / aspect;
    if (height > area.height) {
        height = area.height;
        width = height * aspect;
    }
    return cv::Size2d(width, height);
}

cv::Size scaledSize(cv::Size size, int scaleDenom)
{
    return cv::Size((size.width + scaleDenom - 1) / scaleDenom,
                    (size.height + scaleDenom - 1) / scaleDenom);
}

DecodePlan planDecode(const JpegFrameInfo &info, const ViewRequest &view)
{
    DecodePlan plan;
    plan.frameSize = info.size;
    plan.shown = zoomCropRect(info.size, view.zoom, view.offset);

    if (plan.shown.size() != info.size) {
        const int align = std::max(1, info.mcuWidth);
        plan.decoded = plan.shown;
        plan.decoded.x = plan.shown.x / align * align;
        plan.decoded.width = plan.shown.br().x - plan.decoded.x;
        plan.outputSize = plan.shown.size();
        return plan;
    }

    plan.decoded = plan.shown;
    if (view.viewArea.width > 0 && view.viewArea.height > 0) {
        const cv::Size2d drawn = fittedSize(view.viewArea, info.size);
        for (int denom : {8, 4, 2}) {
            const cv::Size scaled = scaledSize(info.size, denom);
            // The tolerance keeps an exact fit (4000 px into 1000 px at 1/4) from losing to
            // the rounding of the fitted size.
            if (scaled.width + 1e-6 >= drawn.width && scaled.height + 1e-6 >= drawn.height) {
                plan.scaleDenom = denom;
                break;
            }
        }
    }
    plan.outputSize = scaledSize(info.size, plan.scaleDenom);
    return plan;
}
