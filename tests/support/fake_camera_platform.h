#pragma once

#include "camera/camera_platform.h"

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
    int listCalls = 0;
    int rangeQueries = 0;

    std::vector<VideoInput> listVideoInputs() override;
    std::optional<ReportedRanges> queryRanges(const VideoInput &device) override;
    std::unique_ptr<cv::VideoCapture> createCapture() override;
    int captureApi() const override;
    double autoExposureValue(bool on) const override;
};
