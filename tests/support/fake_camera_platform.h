#pragma once

#include "camera/camera_control.h"
#include "camera/camera_platform.h"
#include "tests/support/fake_video_capture.h"

#include <QMap>

#include <functional>

// A camera stack whose devices and driver answers the test scripts.
class FakeCameraPlatform final : public CameraPlatform {
public:
    std::vector<VideoInput> devices;
    // Keyed by device index; a missing entry means the device cannot be bound.
    QMap<int, ReportedRanges> ranges;
    // Makes the capture objects; by default a plain closed cv::VideoCapture.
    std::function<std::unique_ptr<cv::VideoCapture>()> captureFactory;
    // Makes the control sources by device index; by default none, as where the driver has its own dialog.
    std::function<std::unique_ptr<CameraControlSource>(int index)> controlSourceFactory;
    // Whether the window asks the capture objects for compressed frames.
    bool compressedFrames = false;
    bool driverDialog = true;   // what offersDriverDialog() answers
    int rangeQueries = 0;

    std::vector<VideoInput> listVideoInputs() override { return devices; }
    std::optional<ReportedRanges> queryRanges(const VideoInput &device) override
    {
        ++rangeQueries;
        return ranges.contains(device.index) ? std::optional(ranges.value(device.index)) : std::nullopt;
    }
    std::unique_ptr<cv::VideoCapture> createCapture() override
    {
        return captureFactory ? captureFactory() : std::make_unique<cv::VideoCapture>();
    }
    int captureApi() const override { return cv::CAP_V4L2; }
    QString stackName() const override { return QStringLiteral("V4L2"); }
    FrameWait waitForFrame(cv::VideoCapture &capture, std::chrono::milliseconds timeout) override
    {
        auto *fake = dynamic_cast<FakeVideoCapture *>(&capture);
        return fake ? fake->waitForFrame(timeout) : FrameWait::Unsupported;
    }
    bool deliversCompressedFrames(int) const override { return compressedFrames; }
    double autoExposureValue(bool on) const override { return on ? 3.0 : 1.0; }
    std::unique_ptr<CameraControlSource> openControlSource(int index) override
    {
        return controlSourceFactory ? controlSourceFactory(index) : nullptr;
    }
    bool offersDriverDialog(const VideoInput &) override { return driverDialog; }
};
