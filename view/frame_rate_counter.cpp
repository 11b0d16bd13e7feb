#include "view/frame_rate_counter.h"

void FrameRateCounter::reset()
{
    windowOpen = false;
    framesInWindow = 0;
    fps = 0.0;
}

void FrameRateCounter::addFrame(qint64 nowMs)
{
    if (!windowOpen) {
        windowOpen = true;
        windowStartMs = nowMs;
        framesInWindow = 0;
    }
    // The frame that opens a window counts in it.
    ++framesInWindow;
    const qint64 elapsed = nowMs - windowStartMs;
    if (elapsed >= windowMs) {
        fps = framesInWindow * 1000.0 / elapsed;
        framesInWindow = 0;
        windowStartMs = nowMs;
    }
}
