#pragma once

#include "decode/focus_measure.h"
#include "decode/frame_buffer.h"
#include "decode/mjpeg_geometry.h"

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <optional>

class MjpegDecoder;

// Measures a spot found on a picture decoded at a reduced scale again on the camera's own
// pixels around it. Where the stream has restart markers near them, it does so every frame.
// Otherwise reaching those pixels means entropy-decoding every row of the stream above them,
// about half the cost of the picture's own decode, so it is not done for every frame:
// while the target has moved less than a tenth of a picture pixel since the last such
// measurement, the shift is measured on the picture instead (by its gradients, which follow a
// small move far more closely than a centroid of so few pixels) and added to that measurement.
// A larger move is measured again, at most every minInterval frames (the coarse centre plus the
// last correction in between), and any reading at least every maxReuses frames. One per
// decoding thread.
class SpotRefiner {
public:
    // `picture` is the view's picture the coarse reading was found on, as `plan` says. The
    // coarse reading back, unrefined, when the window cannot be decoded.
    SpotReading refine(MjpegDecoder &decoder, const cv::Mat &compressed, const cv::Mat &picture,
                       const SpotReading &coarse, const DecodePlan &plan, std::uint64_t generation);

    // How many windows it has decoded: what the reuse saves shows against the frames given.
    long long windowDecodes() const { return decodes; }

    // Bounds how long a stale measurement can stand in for a fresh one (half a second at 30 fps).
    static constexpr int maxReuses = 15;
    // While the target moves, a window decode at most every fourth frame: the cost per frame
    // stays a quarter of a decode's.
    static constexpr int minInterval = 4;

private:
    struct Measurement {
        std::uint64_t generation = 0;
        cv::Rect shown;
        int scaleDenom = 1;
        SpotKind kind = SpotKind::Spot;
        cv::Point2d coarse;
        cv::Point2d refined;
        cv::Rect window;   // picture pixels around the target
        cv::Mat luma;      // the picture's luma there, as floats
        int reuses = 0;
    };

    FrameBuffer pixels;
    std::optional<Measurement> last;
    long long decodes = 0;
};
