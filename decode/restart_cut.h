#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A few rows of a compressed frame, cut out as a JPEG of their own.
struct RestartCut {
    std::vector<uint8_t> bytes;   // recycled from cut to cut
    int firstRow = 0;             // the cut's first pixel row, in the frame
    int frameHeight = 0;          // the whole frame's height
};

// Reaching a row of a JPEG means entropy-decoding every row above it, unless the scan carries
// restart markers, as many cameras' MJPG does: the DC predictions start afresh at each marker,
// so a restart that begins a row of MCUs can serve as the top of a picture. Cuts the pixel rows
// [top, bottom) out of `data` from such a restart, with one MCU row to spare above and below
// where the frame has them, so that chroma upsampling sees the rows it sees in the whole frame.
// The cut keeps the frame's headers, with the height changed, and renumbers its markers from 0.
// False when the stream is not a single-scan baseline JPEG with restart markers, when its
// markers are out of order, or when the rows start too near the top for a cut to save anything:
// the caller then decodes from the top of the stream as before.
bool cutRowsAtRestart(const uint8_t *data, std::size_t size, int top, int bottom, RestartCut &cut);
