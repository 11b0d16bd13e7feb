#pragma once

#include <QString>

#include <opencv2/core/mat.hpp>

#include <cstdint>
#include <vector>

// Picture settings of the synthetic camera, in the ranges it reports to the panel.
struct DemoPictureSettings {
    int brightness = 32;  // 1..64
    int gain = 0;         // 0..15
    int exposure = -7;    // -13..-1, log2 seconds as drivers count it
};

// Draws the static calibration target (grid, rings, centre cross, scale labels) into an
// 8-bit BGR matrix of the wanted size, reusing its buffer when the size already fits.
void renderCalibrationTarget(cv::Mat &target, int width, int height, const QString &label);

// A bright target to align optics on: a spot (a Gaussian blob, 5 px deviation) or a ring
// (radius 60 px, 2.5 px deviation across), white on the target's background.
struct AlignmentTarget {
    bool ring = false;
    cv::Point2d centre;   // full-frame pixels as the overlay draws them: pixel i spans i to i + 1
};

// How far from its centre `target` reaches, pixels.
double alignmentTargetReach(const AlignmentTarget &target);
// Readies a disc in the middle of the calibration target, wider than the region the focus
// meter looks in by default, for alignment targets: grey with a grid of dark lines, and plain
// under each of `targets`.
void prepareAlignmentArea(cv::Mat &frame, const std::vector<AlignmentTarget> &targets);
// Adds `target`, sampled exactly at each pixel's centre, so its centre is known to any
// fraction of a pixel.
void drawAlignmentTarget(cv::Mat &frame, const AlignmentTarget &target);

// The JPEG quality of a typical camera's MJPG stream.
constexpr int cameraJpegQuality = 85;

// A sensor's grain: luminance noise with a little chroma noise, from a tile drawn once, so a
// noisy frame costs one pass over its pixels. Each variant is a different noise field.
class SensorNoise {
public:
    SensorNoise(double lumaSigma, double chromaSigma);
    // Of a 12 MP camera at moderate gain: with it the calibration target's 4:2:2 JPEG at
    // cameraJpegQuality is about 1.9 MB, as a real camera's frame is.
    static const SensorNoise &camera();
    void apply(cv::Mat &frame, int variant) const;   // 8-bit BGR

private:
    static constexpr int tileSize = 1021;   // prime, so the tiling lines up with no block grid
    cv::Mat tile;
};

// The per-byte mapping that makes brightness, gain and exposure visible.
cv::Mat exposureTable(const DemoPictureSettings &settings);

// Adds what moves: a marker circling the centre and the frame number. The first sixteen bytes
// of the top row carry the sequence number and the capture time (steady clock, nanoseconds),
// so a viewer can tell which frame it shows and how old it is.
void stampFrame(cv::Mat &frame, std::uint64_t sequence, std::int64_t captureTimeNs, double framesPerSecond);

struct FrameStamp {
    std::uint64_t sequence = 0;
    std::int64_t captureTimeNs = 0;
};
FrameStamp readFrameStamp(const std::uint8_t *topRow);
// Only the bytes of the stamp, for a frame whose marker and number are already drawn.
void writeFrameStamp(std::uint8_t *topRow, const FrameStamp &stamp);
