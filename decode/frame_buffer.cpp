#include "decode/frame_buffer.h"

bool FrameBuffer::reserve(cv::Size size)
{
    const int stride = (size.width * 3 + 3) & ~3;
    const std::size_t needed = std::size_t(stride) * std::size_t(size.height);
    bool allocated = false;
    if (needed > capacity) {
        bytes.reset();
        capacity = 0;
        // Default-initialised on purpose: zeroing would touch every page for nothing.
        bytes.reset(new uint8_t[needed]);
        capacity = needed;
        ++allocations;
        allocated = true;
    }
    imageSize = size;
    rowStride = stride;
    return allocated;
}
