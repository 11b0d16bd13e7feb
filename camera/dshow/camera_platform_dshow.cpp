#include "camera/camera_platform.h"

#include "camera/camera_control.h"
#include "camera/dshow/dshow_devices.h"
#include "camera/new_frame_capture.h"

#include <opencv2/videoio.hpp>

namespace {

class DshowCameraPlatform final : public CameraPlatform {
public:
    std::vector<VideoInput> listVideoInputs() override
    {
        std::vector<VideoInput> inputs;
        for (const DshowVideoInput &input : listDshowVideoInputs()) {
            // A nameless device keeps its place so that later indexes match OpenCV's numbering.
            inputs.push_back({input.position, input.friendlyName ? QString::fromStdWString(*input.friendlyName) : QString()});
        }
        return inputs;
    }

    std::optional<ReportedRanges> queryRanges(const VideoInput &device) override
    {
        return queryDshowRanges(device.index, device.name.toStdWString());
    }

    // OpenCV's DirectShow read() reports black or the previous picture as a frame when none came
    // within its wait; the stall limits and the frame count need to know.
    std::unique_ptr<cv::VideoCapture> createCapture() override { return std::make_unique<NewFrameCapture>(); }
    int captureApi() const override { return cv::CAP_DSHOW; }
    QString stackName() const override { return QStringLiteral("DirectShow"); }
    // The backend has no wait of its own; its read waits for the frame.
    FrameWait waitForFrame(cv::VideoCapture &, std::chrono::milliseconds) override { return FrameWait::Unsupported; }
    // Unverified with a real device here: the backend keeps converting to BGR itself.
    bool deliversCompressedFrames(int) const override { return false; }
    double autoExposureValue(bool on) const override { return on ? 0.75 : 0.25; }
    std::unique_ptr<CameraControlSource> openControlSource(int index) override
    {
        return openCameraControlSource(index);
    }
    // The backend's settings call succeeds even for a device without property pages, and then
    // shows nothing.
    bool offersDriverDialog(const VideoInput &device) override
    {
        return dshowDeviceHasPropertyPages(device.index, device.name.toStdWString()).value_or(true);
    }
};

} // namespace

std::unique_ptr<CameraPlatform> createSystemCameraPlatform()
{
    return std::make_unique<DshowCameraPlatform>();
}
