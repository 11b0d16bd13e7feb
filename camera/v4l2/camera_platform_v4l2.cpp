#include "camera/camera_platform.h"

#include "camera/camera_control.h"
#include "camera/v4l2/v4l2_devices.h"

#include <opencv2/videoio.hpp>

#include <cstdlib>
#include <thread>

namespace {

class V4l2CameraPlatform final : public CameraPlatform {
public:
    V4l2CameraPlatform()
    {
        // OpenCV's V4L2 read otherwise waits in select() up to this many seconds (10 unless set)
        // for a frame, under the capture lock. At 0 a read never waits: the capture loop waits in
        // waitForFrame instead, outside the lock and in slices it can stop. OpenCV reads the value
        // once per process, at the first read, so it is set before any capture exists.
        ::setenv("OPENCV_VIDEOIO_V4L_SELECT_TIMEOUT", "0", 1);
    }

    std::vector<VideoInput> listVideoInputs() override
    {
        std::vector<VideoInput> inputs;
        for (const V4l2CaptureNode &node : listV4l2CaptureNodes())
            inputs.push_back({node.number, QString::fromUtf8(node.card.data(), static_cast<qsizetype>(node.card.size())),
                              QString::fromUtf8(node.bus.data(), static_cast<qsizetype>(node.bus.size()))});
        return inputs;
    }

    std::optional<ReportedRanges> queryRanges(const VideoInput &device) override
    {
        return queryV4l2ControlRanges(device.index);
    }

    std::unique_ptr<cv::VideoCapture> createCapture() override { return std::make_unique<cv::VideoCapture>(); }
    int captureApi() const override { return cv::CAP_V4L2; }
    QString stackName() const override { return QStringLiteral("V4L2"); }

    FrameWait waitForFrame(cv::VideoCapture &capture, std::chrono::milliseconds timeout) override
    {
        if (!capture.isOpened())
            return FrameWait::Ready;   // the read reports it
        std::vector<int> ready;
        try {
            // Polls the device; a frame that came is grabbed, so the next read only retrieves it.
            const bool any = cv::VideoCapture::waitAny({capture}, ready,
                                                       std::chrono::nanoseconds(timeout).count());
            return any && !ready.empty() ? FrameWait::Ready : FrameWait::TimedOut;
        } catch (const cv::Exception &e) {
            // The first call starts the stream and asserts that a frame was already there; a grab
            // that finds none asserts the same way. A stream error (unplug) is thrown on.
            if (e.code != cv::Error::StsAssert)
                throw;
            std::this_thread::sleep_for(timeout);
            return FrameWait::TimedOut;
        }
    }
    bool deliversCompressedFrames(int) const override { return true; }
    double autoExposureValue(bool on) const override { return on ? 3.0 : 1.0; }
    std::unique_ptr<CameraControlSource> openControlSource(int index) override
    {
        return openCameraControlSource(index);
    }
    // VESK's own dialog stands in for one; OpenCV's V4L2 backend refuses the settings call itself.
    bool offersDriverDialog(const VideoInput &) override { return true; }
};

} // namespace

std::unique_ptr<CameraPlatform> createSystemCameraPlatform()
{
    return std::make_unique<V4l2CameraPlatform>();
}
