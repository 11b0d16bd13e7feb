#pragma once

#include <opencv2/core/types.hpp>

#include <cstdint>
#include <vector>

enum class JpegSampling { Yuv444, Yuv422, Yuv420, Gray };

// Compresses a BGR picture (3 bytes per pixel, `stride` bytes per row) into a baseline JPEG,
// the way a camera's MJPG stream carries each frame. Empty result when compression fails.
std::vector<uint8_t> encodeJpeg(const uint8_t *bgr, cv::Size size, int stride, int quality,
                                JpegSampling sampling);
