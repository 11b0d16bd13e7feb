#pragma once

#include <QtGlobal>

// Frames per second averaged over windows of at least half a second. Takes the time as an
// argument so the counting does not depend on a real clock.
class FrameRateCounter {
public:
    void reset();
    void addFrame(qint64 nowMs);
    double framesPerSecond() const { return fps; }

private:
    static constexpr qint64 windowMs = 500;

    bool windowOpen = false;
    qint64 windowStartMs = 0;
    int framesInWindow = 0;
    double fps = 0.0;
};
