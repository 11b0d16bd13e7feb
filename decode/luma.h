#pragma once

#include <opencv2/core/mat.hpp>

#include <cstdint>

// One row of an 8-bit grey or BGR picture read as luma, with the weights JPEG's own luminance
// uses, so it is what the camera compressed; in 1/256 grey levels, so that sums stay whole
// numbers and no rounding flattens a faint edge.
struct LumaRow {
    const uint8_t *pixels;
    int channels;

    int operator[](int x) const
    {
        if (channels == 1)
            return pixels[x] * 256;
        const uint8_t *p = pixels + x * channels;
        return 29 * p[0] + 150 * p[1] + 77 * p[2];
    }
    // In grey levels.
    float level(int x) const { return float((*this)[x]) * (1.0f / 256.0f); }
};

// Whether LumaRow can read `image`'s rows: 8-bit, grey or with blue, green and red first.
inline bool readsAsLuma(const cv::Mat &image)
{
    const int channels = image.channels();
    return !image.empty() && image.depth() == CV_8U && (channels == 1 || channels >= 3);
}
