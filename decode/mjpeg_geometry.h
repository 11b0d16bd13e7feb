#pragma once

#include <opencv2/core/types.hpp>

// What a compressed frame's header says, as far as planning its decode needs.
struct JpegFrameInfo {
    cv::Size size;       // full frame size in pixels
    int mcuWidth = 8;    // column alignment of a scanline crop at full scale
};

// How the view wants to show the next frame: the presentation tick's zoom and pan, and the
// area the picture is fitted into (in device pixels).
struct ViewRequest {
    double zoom = 1.0;
    cv::Point2d offset;  // pan offset in frame pixels
    cv::Size viewArea;   // empty while the view has no size: the frame is then decoded whole
};

struct DecodePlan {
    cv::Size frameSize;   // full frame size from the header
    cv::Rect shown;       // the part of the frame the view shows, full-frame pixels
    cv::Rect decoded;     // the rows and columns the decoder produces, full-frame pixels
    int scaleDenom = 1;   // DCT scaling 1/scaleDenom: 1, 2, 4 or 8
    cv::Size outputSize;  // the image the caller gets: `shown` at 1/scaleDenom
};

// The presentation tick's digital-zoom crop (zoom_crop.h) in OpenCV's types.
cv::Rect zoomCropRect(cv::Size frame, double zoom, cv::Point2d offset);

// The size a picture of `picture`'s aspect is drawn at when fitted into `area`.
cv::Size2d fittedSize(cv::Size area, cv::Size picture);

// Output size of libjpeg's DCT scaling: each side divided by the denominator, rounded up.
cv::Size scaledSize(cv::Size size, int scaleDenom);

// Unzoomed: the whole frame at the coarsest DCT scale that still gives at least one source
// pixel per drawn pixel. Zoomed: only the crop's rows and columns, at full scale.
DecodePlan planDecode(const JpegFrameInfo &info, const ViewRequest &view);

// One region of the frame (cut to it) at full scale.
DecodePlan planRegionDecode(const JpegFrameInfo &info, const cv::Rect &region);
