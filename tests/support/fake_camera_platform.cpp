#include "tests/support/fake_camera_platform.h"

#include "tests/support/fake_video_capture.h"

std::optional<ReportedRanges> FakeCameraPlatform::queryRanges(const VideoInput &device)
{
    ++rangeQueries;
    const auto it = ranges.constFind(device.index);
    return it == ranges.constEnd() ? std::nullopt : std::optional(*it);
}

std::unique_ptr<cv::VideoCapture> FakeCameraPlatform::createCapture()
{
    return captureFactory ? captureFactory() : std::make_unique<cv::VideoCapture>();
}

FrameWait FakeCameraPlatform::waitForFrame(cv::VideoCapture &capture, std::chrono::milliseconds timeout)
{
    auto *fake = dynamic_cast<FakeVideoCapture *>(&capture);
    return waitsForFrames && fake ? fake->waitForFrame(timeout) : FrameWait::Unsupported;
}

std::unique_ptr<CameraControlSource> FakeCameraPlatform::openControlSource(int index)
{
    return controlSourceFactory ? controlSourceFactory(index) : nullptr;
}
