#pragma once

#include "camera/demo/mjpeg_encoder.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <vector>

// Waves of periods that are no multiple of a block (37 and 29 pixels times `stretch`), so
// that a picture off by one column or row shows up clearly, plus a diagonal ramp.
cv::Mat texturedPicture(cv::Size size, double stretch = 1.0);
cv::Mat flatPicture(cv::Size size, cv::Vec3b colour);
// Grey squares of `square` pixels, seen through a box blur `blur` pixels wide (1: sharp).
cv::Mat chequerboard(cv::Size size, int square, int blur);

std::vector<uint8_t> encodePicture(const cv::Mat &bgr, JpegSampling sampling, int quality = 95);
