#pragma once

#include "camera/demo/mjpeg_encoder.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <vector>

// Waves of periods that are no multiple of a block (37 and 29 pixels), so that a picture off
// by one column or row shows up clearly, plus a diagonal ramp.
cv::Mat texturedPicture(cv::Size size);
// Grey squares of `square` pixels, seen through a box blur `blur` pixels wide (1: sharp).
cv::Mat chequerboard(cv::Size size, int square, int blur);

std::vector<uint8_t> encodePicture(const cv::Mat &bgr, JpegSampling sampling, int quality = 95);

// The same, through libjpeg, with a restart marker every `restartRows` rows of MCUs or else
// every `restartMcus` MCUs (neither: none), as many cameras' MJPG streams carry them.
std::vector<uint8_t> encodeWithRestarts(const cv::Mat &bgr, JpegSampling sampling, int quality,
                                        int restartRows, int restartMcus);
