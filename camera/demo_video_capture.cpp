#include "camera/demo_video_capture.h"

#include "camera/mjpeg_encoder.h"

#include <opencv2/core.hpp>

#include <cstring>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The picture comes back by itself after an unplug, so the demo can show re-plugging too.
constexpr auto unplugDuration = std::chrono::seconds(5);

// Enough frames for the marker to visibly circle; the quality and sampling of a typical camera.
constexpr std::size_t compressedRingLength = 8;
constexpr int compressedQuality = 88;

} // namespace

void DemoCameraState::rememberProperty(int propId, double value)
{
    std::lock_guard<std::mutex> lock(propertiesMutex);
    properties[propId] = value;
}

std::optional<double> DemoCameraState::rememberedProperty(int propId) const
{
    std::lock_guard<std::mutex> lock(propertiesMutex);
    const auto it = properties.find(propId);
    if (it == properties.end())
        return std::nullopt;
    return it->second;
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
    if (target.cols != width || target.rows != height)
        renderCalibrationTarget(target, width, height, config.name);
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
        picture = DemoPictureSettings{};
        pictureChanged = true;
        properties.clear();
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

bool DemoVideoCapture::readDemoFrame(cv::OutputArray image)
{
    waitForNextFrame();

    const DemoCameraConfig &config = state->config;
    const bool faulted = config.fault != DemoCameraConfig::Fault::None
                         && sequence >= static_cast<std::uint64_t>(config.faultAfterFrames);
    if (faulted || !state->isPluggedIn()) {
        if (faulted && config.fault == DemoCameraConfig::Fault::UnplugAfter && state->isPluggedIn())
            state->unplugForAWhile();
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
            cv::LUT(target, exposureTable(picture), adjusted);
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

    std::lock_guard<std::mutex> lock(settingsMutex);
    switch (propId) {
    case cv::CAP_PROP_BRIGHTNESS:
        picture.brightness = cvRound(value);
        pictureChanged = true;
        break;
    case cv::CAP_PROP_GAIN:
        picture.gain = cvRound(value);
        pictureChanged = true;
        break;
    case cv::CAP_PROP_EXPOSURE:
        picture.exposure = cvRound(value);
        pictureChanged = true;
        break;
    case cv::CAP_PROP_CONVERT_RGB:
        // Off asks for the camera's own MJPG bytes, as V4L2 hands them over.
        compressedFrames = value == 0;
        return true;
    case cv::CAP_PROP_FOCUS:
    case cv::CAP_PROP_AUTOFOCUS:
    case cv::CAP_PROP_AUTO_EXPOSURE:
        break;
    default:
        // Like a driver without that control (or without a settings dialog).
        return false;
    }
    properties[propId] = value;
    state->rememberProperty(propId, value);
    return true;
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
    default:
        break;
    }
    std::lock_guard<std::mutex> lock(settingsMutex);
    if (propId == cv::CAP_PROP_CONVERT_RGB)
        return compressedFrames ? 0.0 : 1.0;
    const auto it = properties.find(propId);
    return it == properties.end() ? 0.0 : it->second;
}
