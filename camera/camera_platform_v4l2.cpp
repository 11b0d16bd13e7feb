#include "camera/camera_platform.h"

#include "camera/camera_control.h"

#include "camera/v4l2_devices.h"

#include <opencv2/videoio.hpp>

namespace {

std::optional<ReportedRange> reported(const std::optional<V4l2ControlRange> &range)
{
    if (!range)
        return std::nullopt;
    return ReportedRange{range->minimum, range->maximum, range->defaultValue};
}

class V4l2CameraPlatform final : public CameraPlatform {
public:
    std::vector<VideoInput> listVideoInputs() override
    {
        std::vector<VideoInput> inputs;
        for (const V4l2CaptureNode &node : listV4l2CaptureNodes())
            inputs.push_back({node.number, QString::fromUtf8(node.card.data(), static_cast<qsizetype>(node.card.size()))});
        return inputs;
    }

    std::optional<ReportedRanges> queryRanges(const VideoInput &device) override
    {
        const std::optional<V4l2ControlRanges> ranges = queryV4l2ControlRanges(device.index);
        if (!ranges)
            return std::nullopt;
        return ReportedRanges{reported(ranges->brightness), reported(ranges->focus), reported(ranges->gain),
                              reported(ranges->exposure)};
    }

    std::unique_ptr<cv::VideoCapture> createCapture() override { return std::make_unique<cv::VideoCapture>(); }
    int captureApi() const override { return cv::CAP_V4L2; }
    bool deliversCompressedFrames(int) const override { return true; }
    double autoExposureValue(bool on) const override { return on ? 3.0 : 1.0; }
    std::unique_ptr<CameraControlSource> openControlSource(int index) override
    {
        return openCameraControlSource(index);
    }
};

} // namespace

std::unique_ptr<CameraPlatform> createSystemCameraPlatform()
{
    return std::make_unique<V4l2CameraPlatform>();
}
