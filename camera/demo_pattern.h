#pragma once

#include <QString>

#include <opencv2/core/mat.hpp>

#include <cstdint>

// Picture settings of the synthetic camera, in the ranges it reports to the panel.
struct DemoPictureSettings {
    int brightness = 32;  // 1..64
    int gain = 0;         // 0..15
    int exposure = -7;    // -13..-1, log2 seconds as drivers count it
};

// Draws the static calibration target (grid, rings, centre cross, scale labels) into an
// 8-bit BGR matrix of the wanted size, reusing its buffer when the size already fits.
void renderCalibrationTarget(cv::Mat &target, int width, int height, const QString &label);

// The per-byte mapping that makes brightness, gain and exposure visible.
cv::Mat exposureTable(const DemoPictureSettings &settings);

// Adds what moves: a marker circling the centre, the frame number, and the sequence number
// in the first eight bytes of the top row so a viewer can tell which frame it shows.
void stampFrame(cv::Mat &frame, std::uint64_t sequence, double framesPerSecond);

// The sequence number stamped into a frame (or a full-width image of it) by stampFrame.
std::uint64_t readFrameSequence(const std::uint8_t *topRow);
