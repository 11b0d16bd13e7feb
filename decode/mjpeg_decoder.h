#pragma once

#include "decode/frame_buffer.h"
#include "decode/mjpeg_geometry.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// Decodes compressed camera frames with libjpeg, at the scale and region a DecodePlan asks
// for, into a caller's recycled FrameBuffer (BGR). One decoder per thread; it keeps its
// libjpeg state between frames so a frame costs no set-up.
class MjpegDecoder {
public:
    MjpegDecoder();
    ~MjpegDecoder();
    MjpegDecoder(const MjpegDecoder &) = delete;
    MjpegDecoder &operator=(const MjpegDecoder &) = delete;

    // Reads only the header. False when it is missing, corrupt or of an impossible size.
    bool readInfo(const uint8_t *data, std::size_t size, JpegFrameInfo &info);

    // Reads the header, plans the decode for `view` and decodes into `out`. False for a
    // corrupt, truncated or empty frame: any libjpeg warning about the data counts, since
    // libjpeg would otherwise fill the missing part with grey and call it done. `out`'s
    // contents are then meaningless. Throws std::bad_alloc only when `out` cannot grow.
    bool decode(const uint8_t *data, std::size_t size, const ViewRequest &view,
                FrameBuffer &out, DecodePlan &plan);

    // Decodes only `region` (full-frame pixels, cut to the frame) at full scale into `out`,
    // reading no further into the stream than its last row, and entering it at a restart
    // marker near the region's top where the stream has them. `plan` says what was decoded,
    // in the frame's pixels. Fails and throws as decode does, and fails for a region off the frame.
    bool decodeRegion(const uint8_t *data, std::size_t size, const cv::Rect &region,
                      FrameBuffer &out, DecodePlan &plan);

    // Whether the last decodeRegion entered the stream at a restart marker: its cost then
    // follows the region's height, not its depth in the frame.
    bool enteredAtRestart() const;

    // Why the last failed call failed, in libjpeg's English.
    const std::string &lastError() const;

    // Largest frame side accepted; a corrupt header could otherwise ask for gigabytes.
    static constexpr int maxSide = 16384;

    struct State;

private:
    // Leaves the decompressor holding the header; sets lastError on failure.
    bool readHeader(const uint8_t *data, std::size_t size, JpegFrameInfo &info);
    bool decodePlanned(const JpegFrameInfo &info, FrameBuffer &out, const DecodePlan &plan);
    bool decodeRegionFromTop(const uint8_t *data, std::size_t size, const cv::Rect &region,
                             FrameBuffer &out, DecodePlan &plan);

    std::unique_ptr<State> state;
};
