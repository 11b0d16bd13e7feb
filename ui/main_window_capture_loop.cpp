#include "ui/main_window.h"

#include "app/diagnostic_log.h"
#include "camera/driver_call.h"

#include <QMetaObject>

#include <chrono>

namespace {

// The longest the capture thread waits for a frame before it looks at its run flag and the
// stall limit again.
constexpr std::chrono::milliseconds frameWaitSlice{50};

} // namespace

void MainWindow::endLostSession(quint64 generation)
{
    // A call that arrives after the operator closed or reopened the camera belongs to a
    // finished session and is dropped.
    if (generation == captureGeneration)
        refreshAfterStreamLoss();
}

void MainWindow::captureLoop()
{
    DiagnosticLog(QStringLiteral("Capture thread entered"));
    // Both are written only while no capture thread runs, so this run sees them fixed.
    const std::uint64_t generation = captureGeneration;
    const CaptureTimings timings = captureTimings;

    bool firstFramePending = true;
    bool framesSeen = false;
    bool stallStarted = false;
    std::chrono::steady_clock::time_point stallStart;
    bool streamLost = false;

    while (captureRunning) {
        // A run of empty reads is timed from the start of its first read: a backend may wait
        // a second in each read (DirectShow), and the stall limits count from the last frame.
        const auto passStart = std::chrono::steady_clock::now();
        cv::Mat frame;
        FrameWait waited = FrameWait::Unsupported;
        bool ended = false;
        const std::optional<DriverFault> fault = guardDriverCall([&] {
            // Outside captureMutex: a driver may wait seconds for a frame, and the GUI thread's
            // calls on the device must not wait with it. Short slices keep Close and the stall
            // limits prompt.
            waited = platform->waitForFrame(*capture, frameWaitSlice);
            if (waited != FrameWait::TimedOut) {
                {
                    std::lock_guard lock(frameMutex);
                    if (!spareFrames.empty()) {
                        frame = std::move(spareFrames.back());
                        spareFrames.pop_back();
                    }
                }
                std::lock_guard lock(captureMutex);
                if (capture->isOpened()) {
                    // A failed read may leave a recycled buffer untouched: its old pixels are no frame.
                    if (!capture->read(frame))
                        frame.release();
                } else {
                    ended = true;
                }
            }
        });
        if (fault) {
            DiagnosticLog(fault->logLine(QStringLiteral("in capture thread")));
            ended = true;
        }
        if (ended) {
            frame.release();
            // Only a session nobody is stopping has been lost; a close in progress is not a loss.
            streamLost = captureRunning.exchange(false);
            if (streamLost)
                DiagnosticLog(QStringLiteral("Camera stream ended unexpectedly; refreshing devices"));
            break;
        }

        if (!frame.empty()) {
            // A backend may still send decoded frames now and then; those take the plain path.
            const bool compressed = decodePool && isCompressedFrame(frame);
            {
                std::lock_guard lock(frameMutex);
                stallStarted = false;
                framesSeen = true;
                // A move: the driver's buffer reaches the GUI thread uncopied, and an untaken
                // older frame is dropped, its buffer kept for a later read.
                if (!compressed) {
                    if (frameReady)
                        keepSpareFrame(latestFrame);
                    latestFrame = std::move(frame);
                    frameReady = true;
                }
            }
            if (compressed)
                decodePool->submit(std::move(frame));
            if (firstFramePending) {
                DiagnosticLog(QStringLiteral("First camera frame received"));
                firstFramePending = false;
            }
            continue;
        }

        const auto now = std::chrono::steady_clock::now();
        if (!stallStarted) {
            stallStart = passStart;
            stallStarted = true;
        }
        const auto limit = framesSeen ? timings.laterFrameLimit : timings.firstFrameLimit;
        if (captureRunning && std::chrono::duration_cast<std::chrono::milliseconds>(now - stallStart) >= limit) {
            DiagnosticLog(QStringLiteral("Camera stream stopped returning frames; refreshing devices"));
            streamLost = captureRunning.exchange(false);
            break;
        }
        // A wait that timed out has already paused; a failed read retries after a short pause.
        if (waited != FrameWait::TimedOut)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    if (streamLost) {
        // Queued, so the GUI thread can join this thread. By name, so that Qt itself copies the
        // session number into its event: nothing made on this thread is read on the other one.
        QMetaObject::invokeMethod(this, "endLostSession", Qt::QueuedConnection,
                                  Q_ARG(quint64, quint64(generation)));
    }
    DiagnosticLog(QStringLiteral("Capture thread exited"));
}
