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

    // Begins decoding only `region` (full-frame pixels, cut to the frame) at full scale, in
    // steps that continueRegion takes. Keeps what it needs of the stream, so the caller's
    // buffer may go. Where the stream has restart markers, it enters it at the one nearest
    // above the region, and only the region's rows are left to read. `plan` says what will be
    // decoded, in the frame's pixels. False for a corrupt frame or a region off it. Any other
    // call abandons a region under way.
    bool startRegion(const uint8_t *data, std::size_t size, const cv::Rect &region, DecodePlan &plan);

    // Whether the last startRegion entered the stream at a restart marker.
    bool enteredAtRestart() const;

    enum class Step { Failed, Pending, Done };
    // Reads past at most `rows` rows on the way to the region; once there, and with `rows`
    // left for it (or on the next call), decodes the region into `out`. Fails and throws as
    // decode does.
    Step continueRegion(int rows, FrameBuffer &out);

    // Why the last failed call failed, in libjpeg's English.
    const std::string &lastError() const;

    // Largest frame side accepted; a corrupt header could otherwise ask for gigabytes.
    static constexpr int maxSide = 16384;

    struct State;

private:
    // Leaves the decompressor holding the header; sets lastError on failure.
    bool readHeader(const uint8_t *data, std::size_t size, JpegFrameInfo &info);

    std::unique_ptr<State> state;
};
