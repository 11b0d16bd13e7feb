#pragma once

#include "decode/focus_measure.h"
#include "decode/frame_buffer.h"
#include "decode/mjpeg_geometry.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <optional>

class MjpegDecoder;

// Measures a spot found on a picture decoded at a reduced scale again on the camera's own
// pixels around it. Reaching those pixels means entropy-decoding every row of the stream above
// them, so that decode is done only when the coarse centre has moved by more than a quarter of
// a reduced pixel since the last one, or after maxReuses frames; in between, the correction
// the last one found is added to the coarse centre. One per decoding thread.
class SpotRefiner {
public:
    // The refined reading; the coarse one back, unrefined, when the window cannot be decoded.
    SpotReading refine(MjpegDecoder &decoder, const cv::Mat &compressed, const SpotReading &coarse,
                       const DecodePlan &plan, std::uint64_t generation);

    // How many windows it has decoded: what the reuse saves shows against the frames given.
    long long windowDecodes() const { return decodes; }

    // Bounds how long a stale correction can stand in for a fresh one (half a second at 30 fps).
    static constexpr int maxReuses = 15;

private:
    struct Correction {
        std::uint64_t generation = 0;
        cv::Size frameSize;
        int scaleDenom = 1;
        SpotKind kind = SpotKind::Spot;
        cv::Point2d coarse;
        cv::Point2d offset;   // refined minus coarse
        int reuses = 0;
    };

    FrameBuffer pixels;
    std::optional<Correction> last;
    long long decodes = 0;
};
