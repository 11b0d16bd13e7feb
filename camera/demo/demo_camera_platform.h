#pragma once

#include "camera/camera_platform.h"
#include "camera/demo/demo_camera_config.h"

struct DemoCameraState;

// The system's camera stack plus one synthetic camera listed after the real devices.
class DemoCameraPlatform final : public CameraPlatform {
public:
    DemoCameraPlatform(std::unique_ptr<CameraPlatform> system, DemoCameraConfig config);
    ~DemoCameraPlatform() override;

    std::vector<VideoInput> listVideoInputs() override;
    std::optional<ReportedRanges> queryRanges(const VideoInput &device) override;
    std::unique_ptr<cv::VideoCapture> createCapture() override;
    int captureApi() const override;
    QString stackName() const override;
    FrameWait waitForFrame(cv::VideoCapture &capture, std::chrono::milliseconds timeout) override;
    bool deliversCompressedFrames(int index) const override;
    double autoExposureValue(bool on) const override;
    std::unique_ptr<CameraControlSource> openControlSource(int index) override;
    bool offersDriverDialog(const VideoInput &device) override;

private:
    std::unique_ptr<CameraPlatform> system;
    std::shared_ptr<DemoCameraState> state;
};
