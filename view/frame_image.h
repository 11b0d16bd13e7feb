#pragma once

#include <QImage>

#include <opencv2/core/mat.hpp>

// The frame's pixels seen as a QImage without copying: BGR888 for colour, Grayscale8 for one
// channel, with the matrix's row step (a crop keeps the full frame's step). Valid only while
// the matrix lives; null for a frame that is not 8-bit with one, three or more channels.
QImage wrapFrame(const cv::Mat &frame);

// Copies the frame's pixels into `target`, reusing its buffer when it already has the frame's
// size and format and nobody else shares it: a fresh buffer of a large frame costs far more in
// page faults than the copy itself. False, and `target` untouched, for a frame wrapFrame refuses.
bool copyFrameInto(const cv::Mat &frame, QImage &target);
