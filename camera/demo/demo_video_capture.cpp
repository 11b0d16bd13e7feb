#include "camera/demo/demo_video_capture.h"

#include "camera/demo/mjpeg_encoder.h"

#include <opencv2/core.hpp>

#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The picture comes back by itself after an unplug, so the demo can show re-plugging too.
constexpr auto unplugDuration = std::chrono::seconds(5);

// Enough frames for the marker to visibly circle; the quality and sampling of a typical camera.
constexpr std::size_t compressedRingLength = 8;
constexpr int compressedQuality = cameraJpegQuality;

// V4L2's auto-exposure menu values, which the Linux capture backend passes through unchanged.
constexpr double manualExposure = 1;
constexpr double aperturePriorityExposure = 3;

} // namespace

DemoCameraState::DemoCameraState(DemoCameraConfig c)
    : config(std::move(c)),
      controls{{cv::CAP_PROP_BRIGHTNESS, 32}, {cv::CAP_PROP_GAIN, 0},
               {cv::CAP_PROP_EXPOSURE, -7},   {cv::CAP_PROP_AUTO_EXPOSURE, aperturePriorityExposure},
               {cv::CAP_PROP_FOCUS, 536},     {cv::CAP_PROP_AUTOFOCUS, 1}}
{
}

bool DemoCameraState::setControl(int propId, double value)
{
    std::lock_guard<std::mutex> lock(controlsMutex);
    if (propId == cv::CAP_PROP_EXPOSURE && controls[cv::CAP_PROP_AUTO_EXPOSURE] != manualExposure)
        return false;
    if (propId == cv::CAP_PROP_FOCUS && controls[cv::CAP_PROP_AUTOFOCUS] != 0)
        return false;
    controls[propId] = value;
    return true;
}

std::optional<double> DemoCameraState::control(int propId) const
{
    std::lock_guard<std::mutex> lock(controlsMutex);
    const auto it = controls.find(propId);
    if (it == controls.end())
        return std::nullopt;
    return it->second;
}

DemoPictureSettings DemoCameraState::pictureSettings() const
{
    DemoPictureSettings settings;
    settings.brightness = cvRound(control(cv::CAP_PROP_BRIGHTNESS).value_or(settings.brightness));
    settings.gain = cvRound(control(cv::CAP_PROP_GAIN).value_or(settings.gain));
    // Auto exposure finds the normal exposure by itself.
    if (control(cv::CAP_PROP_AUTO_EXPOSURE).value_or(manualExposure) == manualExposure)
        settings.exposure = cvRound(control(cv::CAP_PROP_EXPOSURE).value_or(settings.exposure));
    return settings;
}

bool DemoCameraState::isPluggedIn() const
{
    return Clock::now().time_since_epoch().count() >= unpluggedUntil.load();
}

void DemoCameraState::unplugForAWhile()
{
    unpluggedUntil.store((Clock::now() + unplugDuration).time_since_epoch().count());
}

cv::Mat DemoCameraState::calibrationTarget(int width, int height)
{
    std::lock_guard<std::mutex> lock(targetMutex);
    if (target.cols != width || target.rows != height) {
        renderCalibrationTarget(target, width, height, config.name);
        if (config.target) {
            prepareAlignmentArea(target, {*config.target});
            drawAlignmentTarget(target, *config.target);
        }
    }
    return target;
}

DemoVideoCapture::DemoVideoCapture(std::shared_ptr<DemoCameraState> demoState,
                                   std::unique_ptr<cv::VideoCapture> systemCapture)
    : state(std::move(demoState)), system(std::move(systemCapture))
{
}

DemoVideoCapture::~DemoVideoCapture() = default;

bool DemoVideoCapture::open(int index, int apiPreference)
{
    return open(index, apiPreference, {});
}

bool DemoVideoCapture::open(int index, int apiPreference, const std::vector<int> &params)
{
    release();
    if (index != deviceIndex)
        return system->open(index, apiPreference, params);
    if (!state->isPluggedIn())
        return false;

    int wantedWidth = 4000;
    int wantedHeight = 3000;
    for (std::size_t i = 0; i + 1 < params.size(); i += 2) {
        if (params[i] == cv::CAP_PROP_FRAME_WIDTH)
            wantedWidth = params[i + 1];
        else if (params[i] == cv::CAP_PROP_FRAME_HEIGHT)
            wantedHeight = params[i + 1];
    }
    if (wantedWidth < 16 || wantedHeight < 16 || wantedWidth > 8192 || wantedHeight > 8192)
        return false;

    width = wantedWidth;
    height = wantedHeight;
    // The picture is drawn by the first read, on the capture thread, not here on the caller's.
    target.release();
    {
        std::lock_guard<std::mutex> lock(settingsMutex);
        pictureChanged = true;
        compressedFrames = false;
    }
    ring.assign(compressedRingLength, RingEntry{});
    ringNext = 0;
    sequence = 0;
    nextFrameDue = Clock::now();
    demoOpen = true;
    return true;
}

bool DemoVideoCapture::isOpened() const
{
    return demoOpen || system->isOpened();
}

void DemoVideoCapture::release()
{
    if (demoOpen) {
        demoOpen = false;
        return;
    }
    system->release();
}

bool DemoVideoCapture::grab()
{
    return demoOpen ? false : system->grab();
}

bool DemoVideoCapture::retrieve(cv::OutputArray image, int flag)
{
    return demoOpen ? false : system->retrieve(image, flag);
}

bool DemoVideoCapture::read(cv::OutputArray image)
{
    if (!demoOpen)
        return system->read(image);
    return readDemoFrame(image);
}

void DemoVideoCapture::waitForNextFrame()
{
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / state->config.framesPerSecond));
    std::this_thread::sleep_until(nextFrameDue);
    nextFrameDue += period;
    // A reader that fell behind gets the next frame one period from now, not a burst.
    if (nextFrameDue < Clock::now())
        nextFrameDue = Clock::now() + period;
}

FrameWait DemoVideoCapture::waitForFrame(CameraPlatform &systemPlatform, std::chrono::milliseconds timeout)
{
    if (!demoOpen)
        return systemPlatform.waitForFrame(*system, timeout);
    const auto deadline = Clock::now() + timeout;
    if (nextFrameDue <= deadline && sendsFrames()) {
        std::this_thread::sleep_until(nextFrameDue);
        return FrameWait::Ready;
    }
    std::this_thread::sleep_until(deadline);
    return FrameWait::TimedOut;
}

bool DemoVideoCapture::sendsFrames()
{
    const DemoCameraConfig &config = state->config;
    const bool faulted = config.fault != DemoCameraConfig::Fault::None
                         && sequence >= static_cast<std::uint64_t>(config.faultAfterFrames);
    if (faulted && config.fault == DemoCameraConfig::Fault::UnplugAfter && state->isPluggedIn())
        state->unplugForAWhile();
    return !faulted && state->isPluggedIn();
}

bool DemoVideoCapture::readDemoFrame(cv::OutputArray image)
{
    waitForNextFrame();

    const DemoCameraConfig &config = state->config;
    if (!sendsFrames()) {
        image.release();
        return false;
    }

    const bool firstFrame = target.empty();
    if (firstFrame)
        target = state->calibrationTarget(width, height);
    bool redrawn = false;
    bool compressed = false;
    {
        std::lock_guard<std::mutex> lock(settingsMutex);
        if (pictureChanged || firstFrame) {
            cv::LUT(target, exposureTable(state->pictureSettings()), adjusted);
            pictureChanged = false;
            redrawn = true;
        }
        compressed = compressedFrames;
    }
    if (compressed)
        return deliverCompressed(image, redrawn);
    if (config.decodesMjpg)
        return deliverDecoded(image, redrawn);
    const auto captured = Clock::now();
    adjusted.copyTo(image);
    cv::Mat frame = image.getMat();
    stampFrame(frame, ++sequence,
               std::chrono::duration_cast<std::chrono::nanoseconds>(captured.time_since_epoch()).count(),
               config.framesPerSecond);
    return true;
}

const std::vector<std::uint8_t> *DemoVideoCapture::nextCompressedFrame(bool pictureRedrawn)
{
    if (pictureRedrawn) {
        for (RingEntry &entry : ring)
            entry.stale = true;
    }
    const std::size_t slot = ringNext;
    ringNext = (ringNext + 1) % ring.size();
    ++sequence;
    RingEntry &entry = ring[slot];
    if (entry.stale) {
        adjusted.copyTo(stamped);
        // A sensor's grain makes a camera's frames about twice the size of a clean picture's,
        // and as much slower to decode.
        SensorNoise::camera().apply(stamped, static_cast<int>(slot));
        // JPEG does not keep the stamp's bytes exactly; only the marker and the number matter here.
        stampFrame(stamped, slot + 1, 0, state->config.framesPerSecond);
        entry.jpeg = encodeJpeg(stamped.data, stamped.size(), static_cast<int>(stamped.step),
                                compressedQuality, JpegSampling::Yuv422);
        entry.stale = entry.jpeg.empty();
    }
    return entry.jpeg.empty() ? nullptr : &entry.jpeg;
}

bool DemoVideoCapture::deliverCompressed(cv::OutputArray image, bool pictureRedrawn)
{
    const std::vector<std::uint8_t> *jpeg = nextCompressedFrame(pictureRedrawn);
    if (!jpeg) {
        image.release();
        return false;
    }
    image.create(1, static_cast<int>(jpeg->size()), CV_8UC1);
    std::memcpy(image.getMat().data, jpeg->data(), jpeg->size());
    return true;
}

bool DemoVideoCapture::deliverDecoded(cv::OutputArray image, bool pictureRedrawn)
{
    const auto captured = Clock::now();
    const std::vector<std::uint8_t> *jpeg = nextCompressedFrame(pictureRedrawn);
    if (!decoder)
        decoder = std::make_unique<MjpegDecoder>();
    DecodePlan plan;
    if (!jpeg || !decoder->decode(jpeg->data(), jpeg->size(), ViewRequest{}, decoded, plan)) {
        image.release();
        return false;
    }
    // Decoded into the backend's own buffer, then copied out, as a backend's read does.
    decoded.mat().copyTo(image);
    writeFrameStamp(image.getMat().data,
                    {sequence, std::chrono::duration_cast<std::chrono::nanoseconds>(captured.time_since_epoch()).count()});
    return true;
}

bool DemoVideoCapture::set(int propId, double value)
{
    if (!demoOpen)
        return system->set(propId, value);

    switch (propId) {
    case cv::CAP_PROP_CONVERT_RGB: {
        std::lock_guard<std::mutex> lock(settingsMutex);
        // Off asks for the camera's own MJPG bytes, as V4L2 hands them over.
        compressedFrames = value == 0;
        return true;
    }
    case cv::CAP_PROP_BRIGHTNESS:
    case cv::CAP_PROP_GAIN:
    case cv::CAP_PROP_EXPOSURE:
    case cv::CAP_PROP_FOCUS:
    case cv::CAP_PROP_AUTOFOCUS:
    case cv::CAP_PROP_AUTO_EXPOSURE:
        if (!state->setControl(propId, value))
            return false;
        {
            std::lock_guard<std::mutex> lock(settingsMutex);
            pictureChanged = true;
        }
        return true;
    default:
        // Like a driver without that control (or without a settings dialog).
        return false;
    }
}

double DemoVideoCapture::get(int propId) const
{
    if (!demoOpen)
        return system->get(propId);

    switch (propId) {
    case cv::CAP_PROP_FRAME_WIDTH:
        return width;
    case cv::CAP_PROP_FRAME_HEIGHT:
        return height;
    case cv::CAP_PROP_FPS:
        return state->config.framesPerSecond;
    case cv::CAP_PROP_FOURCC:
        return cv::VideoWriter::fourcc('M', 'J', 'P', 'G');
    case cv::CAP_PROP_CONVERT_RGB: {
        std::lock_guard<std::mutex> lock(settingsMutex);
        return compressedFrames ? 0.0 : 1.0;
    }
    default:
        return state->control(propId).value_or(0.0);
    }
}
