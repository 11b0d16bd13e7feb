#pragma once

#include <opencv2/videoio.hpp>

// A capture object whose read() reports a frame only when the backend delivered a new one.
// OpenCV's own read() succeeds whenever the output holds pixels, and a backend that sizes the
// output before it waits for the frame (DirectShow) then hands back black or the previous
// picture as a success; only retrieve()'s own answer says whether a frame came.
class NewFrameCapture : public cv::VideoCapture {
public:
    bool read(cv::OutputArray image) override;
};
