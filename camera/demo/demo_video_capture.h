#pragma once

#include "camera/camera_platform.h"
#include "camera/demo/demo_camera_config.h"
#include "camera/demo/demo_pattern.h"
#include "decode/mjpeg_decoder.h"

#include <opencv2/videoio.hpp>

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

// What the synthetic device and its capture objects share: the set-up and whether it is unplugged.
struct DemoCameraState {
    explicit DemoCameraState(DemoCameraConfig c);

    bool isPluggedIn() const;
    void unplugForAWhile();
    // The static picture for a frame size, drawn once and kept, so opening again is instant.
    cv::Mat calibrationTarget(int width, int height);
    // The camera's own control values, by capture property. They start as a UVC camera powers
    // up (auto exposure in aperture priority, continuous auto focus) and survive Close and Open.
    // A manual value is refused while its auto mode is on, as newer UVC drivers do.
    bool setControl(int propId, double value);
    std::optional<double> control(int propId) const;
    DemoPictureSettings pictureSettings() const;

    const DemoCameraConfig config;
    std::atomic<std::chrono::steady_clock::rep> unpluggedUntil{0};

private:
    std::mutex targetMutex;
    cv::Mat target;
    mutable std::mutex controlsMutex;
    std::map<int, double> controls;
};

// A capture object that plays the synthetic camera when asked for its index and otherwise
// passes every call on to the system's own capture object.
class DemoVideoCapture final : public cv::VideoCapture {
public:
    static constexpr int deviceIndex = 1000;

    DemoVideoCapture(std::shared_ptr<DemoCameraState> state, std::unique_ptr<cv::VideoCapture> system);
    ~DemoVideoCapture() override;

    bool open(int index, int apiPreference) override;
    bool open(int index, int apiPreference, const std::vector<int> &params) override;
    bool isOpened() const override;
    void release() override;
    bool grab() override;
    bool retrieve(cv::OutputArray image, int flag) override;
    bool read(cv::OutputArray image) override;
    bool set(int propId, double value) override;
    double get(int propId) const override;

    // Sleeps until the next frame is due, so the read that follows returns at once; a stalled or
    // unplugged camera sends nothing, and the whole timeout passes. Other devices wait through
    // `systemPlatform`, which made the system's capture object.
    FrameWait waitForFrame(CameraPlatform &systemPlatform, std::chrono::milliseconds timeout);

private:
    bool readDemoFrame(cv::OutputArray image);
    bool sendsFrames();
    void waitForNextFrame();
    const std::vector<std::uint8_t> *nextCompressedFrame(bool pictureRedrawn);
    bool deliverCompressed(cv::OutputArray image, bool pictureRedrawn);
    bool deliverDecoded(cv::OutputArray image, bool pictureRedrawn);

    std::shared_ptr<DemoCameraState> state;
    std::unique_ptr<cv::VideoCapture> system;
    bool demoOpen = false;

    mutable std::mutex settingsMutex;
    bool pictureChanged = true;
    bool compressedFrames = false;

    int width = 0;
    int height = 0;
    cv::Mat target;
    cv::Mat adjusted;
    // The raw stream: a short ring of JPEGs of the moving picture, each encoded when it is first
    // due (and again after a picture change), so steady playing costs a copy per frame.
    struct RingEntry {
        std::vector<std::uint8_t> jpeg;
        bool stale = true;
    };
    std::vector<RingEntry> ring;
    std::size_t ringNext = 0;
    cv::Mat stamped;
    std::unique_ptr<MjpegDecoder> decoder;
    FrameBuffer decoded;
    std::uint64_t sequence = 0;
    std::chrono::steady_clock::time_point nextFrameDue;
};
