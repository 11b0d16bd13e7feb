#include "tests/support/fake_video_capture.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

void raise(FakeVideoCapture::Failure failure, const char *where)
{
    switch (failure) {
    case FakeVideoCapture::Failure::None:
        return;
    case FakeVideoCapture::Failure::OpenCv:
        throw cv::Exception(cv::Error::StsError, "scripted driver failure", where, __FILE__, __LINE__);
    case FakeVideoCapture::Failure::Standard:
        throw std::runtime_error(std::string("scripted failure in ") + where);
    case FakeVideoCapture::Failure::Unknown:
        throw 42;
    }
}

} // namespace

bool FakeVideoCapture::frameDue() const
{
    return (!queued.empty() || !steadyFrame.empty()) && Clock::now() >= nextFrameDue;
}

void FakeVideoCapture::waitUntilFrameDue(std::unique_lock<std::mutex> &lock, Clock::time_point deadline,
                                         const std::function<bool()> &stop)
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

FrameWait FakeVideoCapture::waitForFrame(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex);
    const auto deadline = Clock::now() + timeout;
    // A device that is gone fails its read at once: the read, not the wait, reports it.
    waitUntilFrameDue(lock, deadline, [this] { return !opened || connectionDropped; });
    return Clock::now() < deadline || frameDue() ? FrameWait::Ready : FrameWait::TimedOut;
}

bool FakeVideoCapture::open(int index, int apiPreference, const std::vector<int> &params)
{
    return locked([&] {
        opens.push_back({index, apiPreference, params});
        raise(openFailure, "open");
        opened = openResult;
        connectionDropped = false;
        return opened;
    });
}

bool FakeVideoCapture::isOpened() const
{
    return locked([&] {
        raise(isOpenedFailure, "isOpened");
        return opened && !connectionDropped;
    });
}

void FakeVideoCapture::release()
{
    locked([&] {
        ++releases;
        opened = false;
    });
}

bool FakeVideoCapture::read(cv::OutputArray image)
{
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
        waitUntilFrameDue(lock, Clock::now() + std::chrono::seconds(10), [&] { return releaseTicket != ticket; });
        nextFrameDue = Clock::now() + readInterval;
        ++reads;
        changed.notify_all();
        raise(readFailure, "read");
        if (!queued.empty()) {
            frame = std::move(queued.front());
            queued.pop_front();
        } else {
            frame = steadyFrame;
        }
    }
    // Handed over shared, never copied, so tests can follow a frame by its data pointer.
    image.getMatRef() = frame;
    return !frame.empty();
}

bool FakeVideoCapture::set(int propertyId, double value)
{
    return locked([&] {
        sets.push_back({propertyId, value});
        raise(std::exchange(nextSetFailure, Failure::None), "set");
        return opened && refused.count(propertyId) == 0;
    });
}
