#pragma once

#include <opencv2/core/mat.hpp>
#include <opencv2/core/types.hpp>

#include <array>
#include <cstdint>

// What the focus meter measures: inside circle 1 of the overlay, or a disc in the middle of
// the picture on show when that circle is off. Full-frame pixels.
struct FocusRequest {
    bool enabled = false;
    bool insideCircle = false;
    cv::Point2d centre;            // the overlay's centre, with the centre offset
    double radius = 0.0;
    std::uint64_t generation = 0;  // bumped by the window whenever readings stop comparing
};

// The meter's region in the pixels of a picture holding `shown` at 1/scaleDenom: circle 1, or
// a disc in the middle of the picture when that circle is off.
struct MeterDisc {
    cv::Point2d centre;
    double radius = 0.0;
};
MeterDisc meterDisc(const cv::Rect &shown, int scaleDenom, const FocusRequest &request);

// The four corner zones of the picture on show, in the order of `corners` below.
enum Corner { TopLeft, TopRight, BottomLeft, BottomRight, cornerCount };

// The alignment target found in the meter's region: a bright spot (laser, LED, pinhole) or a
// bright ring (a circular fiducial).
enum class SpotKind { Spot, Ring };

struct SpotReading {
    bool found = false;     // false: nothing there, or two candidates too alike to choose
    SpotKind kind = SpotKind::Spot;
    // Full-frame pixels as the overlay draws its centre: pixel (i, j) spans i to i + 1 and
    // j to j + 1, so a target centred on that pixel is at (i + 0.5, j + 0.5).
    cv::Point2d centre;
    double radius = 0.0;    // how far the target reaches from its centre, full-frame pixels
    bool refined = false;   // the centre comes from full-resolution pixels
};

// One frame's sharpness, and the target found on it (spot_finder.h). `shown` and `scaleDenom`
// say which picture it was measured on: scores of different ones are not compared.
struct FocusReading {
    bool valid = false;   // false: the region is not on the picture, or the meter is off
    double score = 0.0;
    std::uint64_t generation = 0;
    cv::Rect shown;       // the part of the frame the picture shows, full-frame pixels
    int scaleDenom = 1;   // the picture holds `shown` at 1/scaleDenom
    // The same measure on a disc of a tenth of the shorter side, centred a sixth of the
    // picture in from both edges, at each corner: a tilted lens or sensor leaves one side soft.
    bool cornersValid = false;
    std::array<double, cornerCount> corners{};
    SpotReading spot;
};

// Mean squared luma gradient over the region, and over each corner zone, from differences of
// neighbouring pixels, in grey levels squared per full-frame pixel squared: a picture decoded at 1/n has n times the
// gradient of its full-size twin on every resolved edge, so its mean is divided by n squared.
// Detail finer than the decode scale is lost there, and noise and lighting count too, so the
// score compares frames of one scene, region and scale only. At most `maxFocusSamples` pixels
// of the region, and a quarter of that of each zone, are visited, spread evenly over a large one. `image` is 8-bit grey or BGR.
FocusReading measureFocus(const cv::Mat &image, const cv::Rect &shown, int scaleDenom,
                          const FocusRequest &request);

inline constexpr int maxFocusSamples = 1 << 16;

// The newest score and the highest since the conditions last changed, as the badge shows them.
class FocusPeak {
public:
    // Forgets the peak; only readings of `generation` count from now on.
    void restart(std::uint64_t generation);
    // Takes a reading of the current generation; one measured on another picture starts a
    // new peak. False for a reading of an earlier generation, which is ignored.
    bool add(const FocusReading &reading);

    bool measured() const { return hasScore; }
    double score() const { return current; }
    double peak() const { return highest; }

private:
    std::uint64_t generation = 0;
    bool hasScore = false;
    bool hasPeak = false;
    double current = 0.0;
    double highest = 0.0;
    cv::Rect shown;
    int scaleDenom = 1;
};
