#pragma once

#include "decode/focus_measure.h"

#include <QImage>

#include <condition_variable>
#include <mutex>
#include <thread>

// Measures the sharpness of frames shown whole by the view, where no decode pool made them,
// and finds the spot on them, on a thread of its own. It takes a frame only when idle and
// never makes the caller wait: frames offered while it is busy are simply not measured.
class FocusWorker {
public:
    FocusWorker();
    ~FocusWorker();
    FocusWorker(const FocusWorker &) = delete;
    FocusWorker &operator=(const FocusWorker &) = delete;

    // Measures `image`, which holds `shown` (full-frame pixels) at full scale, unless busy.
    // The pixels are shared, not copied: the caller must not write them while isReading says so.
    bool offer(const QImage &image, const cv::Rect &shown, const FocusRequest &request);

    // Whether the worker still reads `image`'s pixels. Once false, its reads are ordered
    // before whatever the caller does with the image next.
    bool isReading(const QImage &image) const;

    // Moves the newest reading not yet taken into `reading`; false when there is none.
    bool takeReading(FocusReading &reading);

private:
    void work();

    mutable std::mutex mutex;
    std::condition_variable wake;
    QImage frame;               // held from the offer until measured
    cv::Rect shown;
    FocusRequest request;
    bool pending = false;
    FocusReading newest;
    bool hasNewest = false;
    bool stopping = false;
    std::thread thread;
};
