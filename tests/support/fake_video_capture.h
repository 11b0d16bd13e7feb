#pragma once

#include "camera/camera_platform.h"
#include "camera/new_frame_capture.h"

#include <opencv2/videoio.hpp>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// A capture device whose every answer the test scripts. All members may be called from any
// thread; the internal lock is innermost, so it may be taken under the caller's locks.
// Like the V4L2 backend, a read finding no frame waits up to 10 s for one to come (see behaveLikeDshow).
class FakeVideoCapture : public NewFrameCapture {
public:
    enum class Failure { None, OpenCv, Standard, Unknown };   // cv::Exception, std::runtime_error, an int
    struct OpenCall { int index; int api; std::vector<int> params; };
    using Writes = std::vector<std::pair<int, double>>;   // property id, value

    ~FakeVideoCapture() override { releaseBlockedReads(); }   // a parked reader would outlive it

    void setOpenResult(bool opened) { locked([&] { openResult = opened; }); }
    void failOpen(Failure failure) { locked([&] { openFailure = failure; }); }
    // Taken first, in order; an empty Mat is an empty read.
    void queueReads(std::vector<cv::Mat> frames) { locked([&] { queued.insert(queued.end(), frames.begin(), frames.end()); }); }
    // Read (shared, not copied) once the queue is empty; an empty Mat makes every read empty.
    void setSteadyFrame(cv::Mat frame) { locked([&] { steadyFrame = frame; }); }
    // Frames come this far apart; a read before the next one is due waits for it.
    void setReadInterval(std::chrono::microseconds interval) { locked([&] { readInterval = interval; }); }
    void failReads(Failure failure) { locked([&] { readFailure = failure; }); }
    // Reads as a NewFrameCapture over OpenCV's DirectShow backend, opened in `mode`; a frame is awaited this long (there 1 s).
    void behaveLikeDshow(std::chrono::milliseconds frameWait, cv::Size mode) { locked([&] { dshowWait = frameWait; dshowMode = mode; }); }
    // While blocking, every read waits until releaseBlockedReads() or blocking is switched off.
    void setBlockingReads(bool on) { locked([&] { blocking = on; }); }
    void releaseBlockedReads() { locked([&] { ++releaseTicket; }); }
    // The device vanished: isOpened() reports false without release() being called.
    void dropConnection() { locked([&] { connectionDropped = true; }); }
    void failIsOpened(Failure failure) { locked([&] { isOpenedFailure = failure; }); }
    void refuseProperty(int propertyId) { locked([&] { refused.insert(propertyId); }); }
    // Only the next set() throws.
    void failNextSet(Failure failure) { locked([&] { nextSetFailure = failure; }); }

    std::vector<OpenCall> openCalls() const { return locked([&] { return opens; }); }
    // The property writes since the last call.
    Writes takeWrites() { return locked([&] { return std::exchange(writes, {}); }); }
    int readCount() const { return locked([&] { return reads; }); }
    int releaseCount() const { return locked([&] { return releases; }); }
    bool waitForBlockedReader(std::chrono::milliseconds timeout) const { return waitUntil(timeout, [&] { return blocked > 0; }); }
    // Until a caller waits for a frame that does not come, in waitForFrame() or in a read.
    bool waitForFrameWaiter(std::chrono::milliseconds timeout) const { return waitUntil(timeout, [&] { return frameWaiters > 0; }); }
    bool waitForReads(int count, std::chrono::milliseconds timeout) const { return waitUntil(timeout, [&] { return reads >= count; }); }

    // The platform's wait: Ready once a read would return at once.
    FrameWait waitForFrame(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        if (dshowWait.count() > 0)
            return FrameWait::Unsupported;
        const auto deadline = Clock::now() + timeout;
        // A device that is gone fails its read at once: the read, not the wait, reports it.
        waitUntilFrameDue(lock, deadline, [this] { return !opened || connectionDropped; });
        return Clock::now() < deadline || frameDue() ? FrameWait::Ready : FrameWait::TimedOut;
    }

    using cv::VideoCapture::open;
    bool open(int index, int apiPreference) override { return open(index, apiPreference, {}); }
    bool open(int index, int apiPreference, const std::vector<int> &params) override
    {
        return locked([&] {
            opens.push_back({index, apiPreference, params});
            raise(openFailure, "open");
            connectionDropped = false;
            return opened = openResult;
        });
    }
    bool isOpened() const override
    {
        return locked([&] {
            raise(isOpenedFailure, "isOpened");
            return opened && !connectionDropped;
        });
    }
    void release() override { locked([&] { ++releases; opened = false; }); }
    bool read(cv::OutputArray image) override
    {
        return dshowWait.count() > 0 ? NewFrameCapture::read(image) : cv::VideoCapture::read(image);
    }
    // As OpenCV's DirectShow backend, grab() only asks whether the device is still there.
    bool grab() override { return locked([&] { return dshowWait.count() == 0 || !connectionDropped; }); }
    bool retrieve(cv::OutputArray image, int = 0) override
    {
        // DirectShow sizes the output before it waits: a wait without a frame leaves black or old pixels.
        const bool dshow = dshowWait.count() > 0;
        if (dshow && image.size() != dshowMode)
            cv::Mat(dshowMode, CV_8UC3, cv::Scalar::all(0)).copyTo(image);
        cv::Mat frame;
        {
            std::unique_lock lock(mutex);
            std::uint64_t ticket = releaseTicket;
            if (blocking) {
                ++blocked;
                changed.notify_all();
                changed.wait(lock, [&] { return !blocking || releaseTicket != ticket; });
                --blocked;
                ticket = releaseTicket;
            }
            // As V4L2's select(): the read waits for the frame that is due, and up to 10 s for one to come.
            waitUntilFrameDue(lock, Clock::now() + (dshow ? dshowWait : std::chrono::seconds(10)), [&] { return releaseTicket != ticket; });
            if (dshow && !frameDue())
                return false;
            nextFrameDue = Clock::now() + readInterval;
            ++reads;
            changed.notify_all();
            raise(readFailure, "read");
            frame = queued.empty() ? steadyFrame : std::move(queued.front());
            if (!queued.empty())
                queued.pop_front();
        }
        if (!dshow)   // handed over shared, never copied, so tests can follow a frame by its data pointer
            image.getMatRef() = frame;
        else if (!frame.empty())
            frame.copyTo(image);
        return !frame.empty();
    }
    bool set(int propertyId, double value) override
    {
        return locked([&] {
            writes.emplace_back(propertyId, value);
            raise(std::exchange(nextSetFailure, Failure::None), "set");
            return opened && refused.count(propertyId) == 0;
        });
    }
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
    static void raise(Failure failure, const char *where)
    {
        if (failure == Failure::OpenCv)
            throw cv::Exception(cv::Error::StsError, "scripted driver failure", where, __FILE__, __LINE__);
        if (failure == Failure::Standard)
            throw std::runtime_error(std::string("scripted failure in ") + where);
        if (failure == Failure::Unknown)
            throw 42;
    }
    bool frameDue() const { return (!queued.empty() || !steadyFrame.empty()) && Clock::now() >= nextFrameDue; }
    // Counts the caller as a frame waiter while no frame is scripted at all.
    void waitUntilFrameDue(std::unique_lock<std::mutex> &lock, Clock::time_point deadline, const std::function<bool()> &stop)
    {
        bool counted = false;
        while (!stop() && !frameDue() && Clock::now() < deadline) {
            const bool none = queued.empty() && steadyFrame.empty();
            if (none && !counted) {
                counted = true;
                ++frameWaiters;
                changed.notify_all();
            }
            changed.wait_until(lock, none ? deadline : std::min(deadline, nextFrameDue));
        }
        frameWaiters -= counted ? 1 : 0;
    }

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool openResult = true, opened = false, connectionDropped = false, blocking = false;
    Failure openFailure{}, readFailure{}, isOpenedFailure{}, nextSetFailure{};
    std::uint64_t releaseTicket = 0;
    int blocked = 0, frameWaiters = 0, reads = 0, releases = 0;
    std::chrono::microseconds readInterval{0};
    std::chrono::milliseconds dshowWait{0};
    cv::Size dshowMode;   // DirectShow copies each frame into a picture of this size
    Clock::time_point nextFrameDue;
    std::deque<cv::Mat> queued;
    cv::Mat steadyFrame;
    std::set<int> refused;
    std::vector<OpenCall> opens;
    Writes writes;
};
