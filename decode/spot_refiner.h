#pragma once

#include "decode/focus_measure.h"
#include "decode/frame_buffer.h"
#include "decode/mjpeg_geometry.h"

#include <opencv2/core/mat.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

class MjpegDecoder;

// Measures a spot found on a picture decoded at a reduced scale again on the camera's own
// pixels around it, with a decoder of its own. Where the stream has restart markers near the
// target, that costs little and is done every frame. Otherwise reaching those pixels means
// entropy-decoding every row of the stream above them, about half the cost of the picture's
// own decode, so the measurement is spread over the frames that follow, a bounded share of the
// stream per frame; what it finds (the full-scale centre against the coarse one on the frame
// it began on) counts from the frame it completes on. From then on, while the target has moved
// less than a tenth of a picture pixel, the move is measured on the picture (by its gradients,
// which follow a small move far more closely than a centroid of so few pixels) and added to
// that measurement; a larger move gives the coarse centre plus the last correction and starts
// a new measurement, as does a measurement maxReuses frames old. One per decoding thread.
class SpotRefiner {
public:
    SpotRefiner();
    ~SpotRefiner();

    // `picture` is the view's picture the coarse reading was found on, as `plan` says. The
    // coarse reading back, unrefined, until a measurement has been made.
    SpotReading refine(const cv::Mat &compressed, const cv::Mat &picture, const SpotReading &coarse,
                       const DecodePlan &plan, std::uint64_t generation);

    // How many measurements it has completed: what the reuse saves shows against the frames given.
    long long windowDecodes() const { return decodes; }

    // Bounds how long a stale measurement can stand in for a fresh one (half a second at 30 fps).
    static constexpr int maxReuses = 15;
    // The compressed bytes whose rows one frame reads past at most: about 2.5 ms of CPU on the
    // 2-core Xeon the figures in bench/README.md come from.
    static constexpr std::size_t bytesPerStep = 256 * 1024;

private:
    // What a measurement holds for: the same picture of the same region, and the same kind.
    struct View {
        std::uint64_t generation = 0;
        cv::Rect shown;
        int scaleDenom = 1;
        SpotKind kind = SpotKind::Spot;
        bool operator==(const View &other) const;
    };
    struct Measurement {
        View view;
        cv::Point2d coarse;
        cv::Point2d refined;
        cv::Rect window;   // picture pixels around the target
        cv::Mat luma;      // the picture's luma there, as floats
        int reuses = 0;
    };
    struct Pending {
        Measurement measurement;   // all but the refined centre
        SpotReading coarse;
        cv::Point origin;          // of the decoded region, full-frame pixels
        int rowsPerStep = 0;
    };

    void begin(const cv::Mat &compressed, const cv::Mat &picture, const SpotReading &coarse, const DecodePlan &plan,
               const View &view, SpotReading &reading);
    // True when it completes the measurement under way, with a target found.
    bool advance();

    std::unique_ptr<MjpegDecoder> decoder;
    FrameBuffer pixels;
    std::optional<Measurement> last;
    std::optional<Pending> pending;
    long long decodes = 0;
};
