#pragma once

#include "camera/camera_platform.h"

#include <opencv2/core/mat.hpp>
#include <opencv2/videoio.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

// A capture device whose every answer the test scripts. All members may be called from
// any thread; the internal lock is innermost, so it may be used under the caller's locks.
// Like OpenCV's V4L2 backend, a read finding no frame waits up to 10 s for one to come.
class FakeVideoCapture : public cv::VideoCapture {
public:
    enum class Failure {
        None,
        OpenCv,     // cv::Exception
        Standard,   // std::runtime_error
        Unknown,    // an int
    };

    struct OpenCall {
        int index;
        int api;
        std::vector<int> params;
    };

    struct SetCall {
        int propertyId;
        double value;
    };

    FakeVideoCapture() = default;
    ~FakeVideoCapture() override;

    // --- scripting ---
    void setOpenResult(bool opened);
    void failOpen(Failure failure);
    // Reads taken first, in order; an empty Mat is an empty read.
    void queueReads(std::vector<cv::Mat> frames);
    // Delivered (shared, not copied) by every read once the queue is empty; empty = empty reads.
    void setSteadyFrame(cv::Mat frame);
    // Frames come this far apart; a read before the next one is due waits for it.
    void setReadInterval(std::chrono::microseconds interval);
    // Fill the caller's matrix as real backends do (reusing its buffer when it fits) instead
    // of handing the frame over shared.
    void setCopyIntoOutput(bool copy);
    void failReads(Failure failure);
    // While blocking, every read waits until releaseBlockedReads() or blocking is switched off.
    void setBlockingReads(bool blocking);
    void releaseBlockedReads();
    // The device vanished: isOpened() reports false without release() being called.
    void dropConnection();
    void failIsOpened(Failure failure);
    void refuseProperty(int propertyId);
    // The next set() throws; later ones behave normally again.
    void failNextSet(Failure failure);

    // --- observations ---
    std::vector<OpenCall> openCalls() const;
    std::vector<SetCall> setCalls() const;
    void clearSetCalls();
    // Pixel buffers of every non-empty frame handed out by read(), in order.
    std::vector<const std::uint8_t *> deliveredData() const;
    int readCount() const;
    // Reads in copy mode whose output already held a buffer of the right size.
    int reusedOutputs() const;
    int releaseCount() const;
    int blockedReaders() const;
    bool waitForBlockedReader(std::chrono::milliseconds timeout) const;
    // Until a caller waits for a frame that does not come, in waitForFrame() or in a read.
    bool waitForFrameWaiter(std::chrono::milliseconds timeout) const;
    bool waitForReads(int count, std::chrono::milliseconds timeout) const;

    // --- cv::VideoCapture ---
    using cv::VideoCapture::open;
    bool open(int index, int apiPreference) override;
    bool open(int index, int apiPreference, const std::vector<int> &params) override;
    bool isOpened() const override;
    void release() override;
    bool read(cv::OutputArray image) override;
    bool set(int propertyId, double value) override;
    double get(int propertyId) const override;

    // The platform's wait: Ready once a read would return at once.
    FrameWait waitForFrame(std::chrono::milliseconds timeout);

private:
    using Clock = std::chrono::steady_clock;
    static void raise(Failure failure, const char *where);
    bool frameDue() const;   // under `mutex`
    // Under `lock`, until a frame is due, `deadline` passes or `stop` holds.
    void waitUntilFrameDue(std::unique_lock<std::mutex> &lock, Clock::time_point deadline,
                           const std::function<bool()> &stop);

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool openResult = true;
    Failure openFailure = Failure::None;
    Failure readFailure = Failure::None;
    Failure isOpenedFailure = Failure::None;
    Failure nextSetFailure = Failure::None;
    bool opened = false;
    bool connectionDropped = false;
    bool blocking = false;
    bool copyIntoOutput = false;
    int reused = 0;
    std::uint64_t releaseTicket = 0;
    int blocked = 0;
    int frameWaiters = 0;
    int reads = 0;
    int releases = 0;
    std::chrono::microseconds readInterval{0};
    Clock::time_point nextFrameDue;
    std::deque<cv::Mat> queued;
    cv::Mat steadyFrame;
    std::set<int> refused;
    std::vector<OpenCall> opens;
    std::vector<SetCall> sets;
    std::vector<const std::uint8_t *> delivered;
};
