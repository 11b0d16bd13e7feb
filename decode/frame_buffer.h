#pragma once

#include <opencv2/core/mat.hpp>
#include <opencv2/core/types.hpp>

#include <cstddef>
#include <cstdint>
#include <memory>

// A BGR pixel buffer reused from frame to frame. It only grows: a 12 MP frame is above the
// allocator's mmap threshold, so every fresh one costs a round of page faults.
class FrameBuffer {
public:
    // Lays the buffer out for `size` (3 bytes per pixel, rows 4-byte aligned for QImage).
    // Returns true when that took a new allocation.
    bool reserve(cv::Size size);

    uint8_t *data() { return bytes.get(); }
    const uint8_t *data() const { return bytes.get(); }
    int stride() const { return rowStride; }
    cv::Size size() const { return imageSize; }
    // The pixels as an OpenCV image, uncopied; valid until the next reserve.
    cv::Mat mat() { return cv::Mat(imageSize, CV_8UC3, bytes.get(), std::size_t(rowStride)); }
    int allocationCount() const { return allocations; }

private:
    std::unique_ptr<uint8_t[]> bytes;
    std::size_t capacity = 0;
    cv::Size imageSize;
    int rowStride = 0;
    int allocations = 0;
};
