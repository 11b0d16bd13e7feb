#include "camera/camera_platform.h"

#include <opencv2/videoio.hpp>

namespace {

class V4l2CameraPlatform final : public CameraPlatform {
public:
    std::vector<VideoInput> listVideoInputs() override { return {}; }
    std::optional<ReportedRanges> queryRanges(const VideoInput &) override { return std::nullopt; }
    std::unique_ptr<cv::VideoCapture> createCapture() override { return std::make_unique<cv::VideoCapture>(); }
    int captureApi() const override { return cv::CAP_V4L2; }
    double autoExposureValue(bool on) const override { return on ? 3.0 : 1.0; }
};

} // namespace

std::unique_ptr<CameraPlatform> createSystemCameraPlatform()
{
    return std::make_unique<V4l2CameraPlatform>();
}
