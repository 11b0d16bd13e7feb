#include "camera/demo/demo_camera_platform.h"

#include "camera/demo/demo_control_source.h"
#include "camera/demo/demo_video_capture.h"

DemoCameraPlatform::DemoCameraPlatform(std::unique_ptr<CameraPlatform> systemPlatform, DemoCameraConfig config)
    : system(std::move(systemPlatform)), state(std::make_shared<DemoCameraState>(std::move(config)))
{
}

DemoCameraPlatform::~DemoCameraPlatform() = default;

std::vector<VideoInput> DemoCameraPlatform::listVideoInputs()
{
    std::vector<VideoInput> devices = system->listVideoInputs();
    if (state->isPluggedIn())
        devices.push_back({DemoVideoCapture::deviceIndex, state->config.name});
    return devices;
}

std::optional<ReportedRanges> DemoCameraPlatform::queryRanges(const VideoInput &device)
{
    if (device.index != DemoVideoCapture::deviceIndex)
        return system->queryRanges(device);
    ReportedRanges ranges;
    ranges.brightness = ReportedRange{1, 64, 32};
    ranges.focus = ReportedRange{0, 1023, 536};
    ranges.gain = ReportedRange{0, 15, 0};
    ranges.exposure = ReportedRange{-13, -1, -7};
    return ranges;
}

std::unique_ptr<cv::VideoCapture> DemoCameraPlatform::createCapture()
{
    return std::make_unique<DemoVideoCapture>(state, system->createCapture());
}

int DemoCameraPlatform::captureApi() const
{
    return system->captureApi();
}

QString DemoCameraPlatform::stackName() const
{
    return system->stackName();
}

FrameWait DemoCameraPlatform::waitForFrame(cv::VideoCapture &capture, std::chrono::milliseconds timeout)
{
    if (auto *demo = dynamic_cast<DemoVideoCapture *>(&capture))
        return demo->waitForFrame(*system, timeout);
    return system->waitForFrame(capture, timeout);
}

bool DemoCameraPlatform::deliversCompressedFrames(int index) const
{
    return index == DemoVideoCapture::deviceIndex || system->deliversCompressedFrames(index);
}

double DemoCameraPlatform::autoExposureValue(bool on) const
{
    return system->autoExposureValue(on);
}

std::unique_ptr<CameraControlSource> DemoCameraPlatform::openControlSource(int index)
{
    if (index != DemoVideoCapture::deviceIndex)
        return system->openControlSource(index);
    return std::make_unique<DemoControlSource>(state);
}

bool DemoCameraPlatform::offersDriverDialog(const VideoInput &device)
{
    // The synthetic camera's controls show in VESK's own dialog.
    return device.index == DemoVideoCapture::deviceIndex || system->offersDriverDialog(device);
}
