#include "tests/support/fake_camera_platform.h"

#include "tests/support/fake_video_capture.h"

#include <opencv2/videoio.hpp>

std::vector<VideoInput> FakeCameraPlatform::listVideoInputs()
{
    ++listCalls;
    return devices;
}

std::optional<ReportedRanges> FakeCameraPlatform::queryRanges(const VideoInput &device)
{
    ++rangeQueries;
    const auto it = ranges.constFind(device.index);
    if (it == ranges.constEnd())
        return std::nullopt;
    return *it;
}

std::unique_ptr<cv::VideoCapture> FakeCameraPlatform::createCapture()
{
    if (captureFactory)
        return captureFactory();
    return std::make_unique<cv::VideoCapture>();
}

int FakeCameraPlatform::captureApi() const
{
    return cv::CAP_V4L2;
}

QString FakeCameraPlatform::stackName() const
{
    return QStringLiteral("V4L2");
}

FrameWait FakeCameraPlatform::waitForFrame(cv::VideoCapture &capture, std::chrono::milliseconds timeout)
{
    auto *fake = dynamic_cast<FakeVideoCapture *>(&capture);
    if (!waitsForFrames || !fake)
        return FrameWait::Unsupported;
    return fake->waitForFrame(timeout);
}

bool FakeCameraPlatform::deliversCompressedFrames(int) const
{
    return compressedFrames;
}

double FakeCameraPlatform::autoExposureValue(bool on) const
{
    return on ? 3.0 : 1.0;
}

std::unique_ptr<CameraControlSource> FakeCameraPlatform::openControlSource(int index)
{
    if (controlSourceFactory)
        return controlSourceFactory(index);
    return nullptr;
}
