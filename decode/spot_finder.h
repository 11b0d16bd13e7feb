#pragma once

#include "decode/focus_measure.h"

#include <opencv2/core/mat.hpp>
#include <opencv2/core/types.hpp>

// Looks for the one bright target in the region the focus meter measures (see measureFocus),
// on a picture holding `shown` at 1/scaleDenom. Never guesses: a flat or noisy region, a
// target cut by the region's edge, or a runner-up at least half as strong as the brightest
// candidate all give no spot. The centre is the intensity-weighted centroid of the
// background-subtracted target, which for a ring is its centre too. At scaleDenom 1 the centre
// is final; otherwise it is coarse, to be refined with refineSpot.
SpotReading findSpot(const cv::Mat &image, const cv::Rect &shown, int scaleDenom, const FocusRequest &request);

// The full-frame rectangle refineSpot needs around a coarse reading, inside `frame`.
cv::Rect spotRefineWindow(const SpotReading &coarse, cv::Size frame);

// The centre measured again on `pixels`, full-resolution 8-bit grey or BGR pixels of the frame
// starting at `origin`. The coarse reading back, unrefined, when the window shows no target.
SpotReading refineSpot(const cv::Mat &pixels, cv::Point origin, const SpotReading &coarse);
