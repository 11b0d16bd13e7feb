#pragma once

#include "camera/reported_ranges.h"

#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

class CameraControlSource;

namespace cv {
class VideoCapture;
}

// One device of the capture backend's video-input list.
struct VideoInput {
    int index = -1;   // the number the capture backend opens the device by
    QString name;     // as the driver reports it; empty when it has none
    QString bus{};    // where the device is attached, e.g. its USB port; empty where unknown
};

// The outcome of waiting for a capture object's next frame.
enum class FrameWait {
    Ready,        // a read() now returns without waiting
    TimedOut,     // no frame came within the wait
    Unsupported,  // the backend waits only inside read()
};

// Everything that touches the operating system's camera stack.
class CameraPlatform {
public:
    virtual ~CameraPlatform() = default;

    // Video-input devices in the capture backend's own index order.
    // A device without a readable name still occupies its index (name empty).
    virtual std::vector<VideoInput> listVideoInputs() = 0;

    // Driver-reported ranges of brightness, focus, gain and exposure.
    // No value when the device could not be bound for the query at all.
    virtual std::optional<ReportedRanges> queryRanges(const VideoInput &device) = 0;

    // A fresh, unopened capture object and the backend to open it with.
    virtual std::unique_ptr<cv::VideoCapture> createCapture() = 0;
    virtual int captureApi() const = 0;
    // The stack's name in log lines, e.g. "V4L2".
    virtual QString stackName() const = 0;

    // Waits up to `timeout` for the next frame of `capture`, an open capture object made by this
    // platform. Called without the capture lock while other threads may set properties, so a
    // driver's long wait for a frame never holds up the callers of the lock.
    virtual FrameWait waitForFrame(cv::VideoCapture &capture, std::chrono::milliseconds timeout) = 0;

    // Whether device `index`, with CAP_PROP_CONVERT_RGB off, reads each frame as the camera's
    // compressed MJPG bytes, so decoding can move off the capture thread.
    virtual bool deliversCompressedFrames(int index) const = 0;

    // CAP_PROP_AUTO_EXPOSURE value that switches the driver's auto exposure on or off.
    virtual double autoExposureValue(bool on) const = 0;

    // The driver controls of device `index`, for VESK's own settings dialog; null where the
    // capture backend shows the driver's dialog instead.
    virtual std::unique_ptr<CameraControlSource> openControlSource(int index) = 0;

    // False where the stack knows that the driver of `device` has no settings dialog for the
    // capture backend to show; true where it has one or the stack cannot tell.
    virtual bool offersDriverDialog(const VideoInput &device) = 0;
};

// The camera stack of the build's operating system.
std::unique_ptr<CameraPlatform> createSystemCameraPlatform();

// The system's stack, plus the synthetic camera when VESK_DEMO_CAMERA is set.
std::unique_ptr<CameraPlatform> createDefaultCameraPlatform();
