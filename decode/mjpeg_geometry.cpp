#include "decode/mjpeg_geometry.h"

#include "decode/zoom_crop.h"

#include <algorithm>
#include <cmath>

cv::Rect zoomCropRect(cv::Size frame, double zoom, cv::Point2d offset)
{
    const QRect crop = zoomCropRect(QSize(frame.width, frame.height), zoom, QPointF(offset.x, offset.y));
    return cv::Rect(crop.x(), crop.y(), crop.width(), crop.height());
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
