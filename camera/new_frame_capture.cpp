#include "camera/new_frame_capture.h"

bool NewFrameCapture::read(cv::OutputArray image)
{
    if (grab() && retrieve(image))
        return !image.empty();
    // What the backend left in the output is no frame, and a recycled buffer must not pass for one.
    image.release();
    return false;
}
