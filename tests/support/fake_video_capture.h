#pragma once

#include "camera/camera_platform.h"

#include <opencv2/videoio.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <vector>

// A capture device whose every answer the test scripts. All members may be called from any
// thread; the internal lock is innermost, so it may be taken under the caller's locks.
// Like the V4L2 backend, a read finding no frame waits up to 10 s for one to come.
class FakeVideoCapture : public cv::VideoCapture {
public:
    enum class Failure { None, OpenCv, Standard, Unknown };   // cv::Exception, std::runtime_error, an int
    struct OpenCall { int index; int api; std::vector<int> params; };
    struct SetCall { int propertyId; double value; };

    ~FakeVideoCapture() override { releaseBlockedReads(); }   // a parked reader would outlive it

    // --- scripting ---
    void setOpenResult(bool opened) { locked([&] { openResult = opened; }); }
    void failOpen(Failure failure) { locked([&] { openFailure = failure; }); }
    // Taken first, in order; an empty Mat is an empty read.
    void queueReads(std::vector<cv::Mat> frames) { locked([&] { queued.insert(queued.end(), frames.begin(), frames.end()); }); }
    // Read (shared, not copied) once the queue is empty; an empty Mat makes every read empty.
    void setSteadyFrame(cv::Mat frame) { locked([&] { steadyFrame = frame; }); }
    // Frames come this far apart; a read before the next one is due waits for it.
    void setReadInterval(std::chrono::microseconds interval) { locked([&] { readInterval = interval; }); }
    void failReads(Failure failure) { locked([&] { readFailure = failure; }); }
    // While blocking, every read waits until releaseBlockedReads() or blocking is switched off.
    void setBlockingReads(bool on) { locked([&] { blocking = on; }); }
    void releaseBlockedReads() { locked([&] { ++releaseTicket; }); }
    // The device vanished: isOpened() reports false without release() being called.
    void dropConnection() { locked([&] { connectionDropped = true; }); }
    void failIsOpened(Failure failure) { locked([&] { isOpenedFailure = failure; }); }
    void refuseProperty(int propertyId) { locked([&] { refused.insert(propertyId); }); }
    // Only the next set() throws.
    void failNextSet(Failure failure) { locked([&] { nextSetFailure = failure; }); }

    // --- observations ---
    std::vector<OpenCall> openCalls() const { return locked([&] { return opens; }); }
    std::vector<SetCall> setCalls() const { return locked([&] { return sets; }); }
    void clearSetCalls() { locked([&] { sets.clear(); }); }
    int readCount() const { return locked([&] { return reads; }); }
    int releaseCount() const { return locked([&] { return releases; }); }
    bool waitForBlockedReader(std::chrono::milliseconds timeout) const { return waitUntil(timeout, [&] { return blocked > 0; }); }
    // Until a caller waits for a frame that does not come, in waitForFrame() or in a read.
    bool waitForFrameWaiter(std::chrono::milliseconds timeout) const { return waitUntil(timeout, [&] { return frameWaiters > 0; }); }
    bool waitForReads(int count, std::chrono::milliseconds timeout) const { return waitUntil(timeout, [&] { return reads >= count; }); }

    // The platform's wait: Ready once a read would return at once.
    FrameWait waitForFrame(std::chrono::milliseconds timeout);

    // --- cv::VideoCapture ---
    using cv::VideoCapture::open;
    bool open(int index, int apiPreference) override { return open(index, apiPreference, {}); }
    bool open(int index, int apiPreference, const std::vector<int> &params) override;
    bool isOpened() const override;
    void release() override;
    bool read(cv::OutputArray image) override;
    bool set(int propertyId, double value) override;
    double get(int) const override { return 0.0; }

private:
    using Clock = std::chrono::steady_clock;

    // Every change wakes the waiters; each waits for its own condition.
    template <typename F> auto locked(F f) const -> decltype(f())
    {
        std::lock_guard lock(mutex);
        changed.notify_all();
        return f();
    }
    template <typename P> bool waitUntil(std::chrono::milliseconds timeout, P done) const
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, done);
    }
    bool frameDue() const;
    void waitUntilFrameDue(std::unique_lock<std::mutex> &lock, Clock::time_point deadline, const std::function<bool()> &stop);

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool openResult = true, opened = false, connectionDropped = false, blocking = false;
    Failure openFailure = Failure::None, readFailure = Failure::None, isOpenedFailure = Failure::None,
            nextSetFailure = Failure::None;
    std::uint64_t releaseTicket = 0;
    int blocked = 0, frameWaiters = 0, reads = 0, releases = 0;
    std::chrono::microseconds readInterval{0};
    Clock::time_point nextFrameDue;
    std::deque<cv::Mat> queued;
    cv::Mat steadyFrame;
    std::set<int> refused;
    std::vector<OpenCall> opens;
    std::vector<SetCall> sets;
};
