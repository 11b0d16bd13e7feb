#include "tests/support/fake_video_capture.h"

#include <algorithm>
#include <stdexcept>

FakeVideoCapture::~FakeVideoCapture()
{
    // A reader still parked here would outlive the object otherwise.
    releaseBlockedReads();
}

void FakeVideoCapture::raise(Failure failure, const char *where)
{
    switch (failure) {
    case Failure::None:
        return;
    case Failure::OpenCv:
        throw cv::Exception(cv::Error::StsError, "scripted driver failure", where, __FILE__, __LINE__);
    case Failure::Standard:
        throw std::runtime_error(std::string("scripted failure in ") + where);
    case Failure::Unknown:
        throw 42;
    }
}

void FakeVideoCapture::setOpenResult(bool result)
{
    std::lock_guard lock(mutex);
    openResult = result;
}

void FakeVideoCapture::failOpen(Failure failure)
{
    std::lock_guard lock(mutex);
    openFailure = failure;
}

void FakeVideoCapture::queueReads(std::vector<cv::Mat> frames)
{
    {
        std::lock_guard lock(mutex);
        for (cv::Mat &frame : frames)
            queued.push_back(std::move(frame));
    }
    changed.notify_all();
}

void FakeVideoCapture::setSteadyFrame(cv::Mat frame)
{
    {
        std::lock_guard lock(mutex);
        steadyFrame = std::move(frame);
    }
    changed.notify_all();
}

void FakeVideoCapture::setReadInterval(std::chrono::microseconds interval)
{
    std::lock_guard lock(mutex);
    readInterval = interval;
}

void FakeVideoCapture::setCopyIntoOutput(bool copy)
{
    std::lock_guard lock(mutex);
    copyIntoOutput = copy;
}

void FakeVideoCapture::failReads(Failure failure)
{
    std::lock_guard lock(mutex);
    readFailure = failure;
}

void FakeVideoCapture::setBlockingReads(bool on)
{
    {
        std::lock_guard lock(mutex);
        blocking = on;
    }
    changed.notify_all();
}

void FakeVideoCapture::releaseBlockedReads()
{
    {
        std::lock_guard lock(mutex);
        ++releaseTicket;
    }
    changed.notify_all();
}

void FakeVideoCapture::dropConnection()
{
    {
        std::lock_guard lock(mutex);
        connectionDropped = true;
    }
    changed.notify_all();
}

void FakeVideoCapture::failIsOpened(Failure failure)
{
    std::lock_guard lock(mutex);
    isOpenedFailure = failure;
}

void FakeVideoCapture::refuseProperty(int propertyId)
{
    std::lock_guard lock(mutex);
    refused.insert(propertyId);
}

void FakeVideoCapture::failNextSet(Failure failure)
{
    std::lock_guard lock(mutex);
    nextSetFailure = failure;
}

std::vector<FakeVideoCapture::OpenCall> FakeVideoCapture::openCalls() const
{
    std::lock_guard lock(mutex);
    return opens;
}

std::vector<FakeVideoCapture::SetCall> FakeVideoCapture::setCalls() const
{
    std::lock_guard lock(mutex);
    return sets;
}

void FakeVideoCapture::clearSetCalls()
{
    std::lock_guard lock(mutex);
    sets.clear();
}

std::vector<const std::uint8_t *> FakeVideoCapture::deliveredData() const
{
    std::lock_guard lock(mutex);
    return delivered;
}

int FakeVideoCapture::readCount() const
{
    std::lock_guard lock(mutex);
    return reads;
}

int FakeVideoCapture::reusedOutputs() const
{
    std::lock_guard lock(mutex);
    return reused;
}

int FakeVideoCapture::releaseCount() const
{
    std::lock_guard lock(mutex);
    return releases;
}

int FakeVideoCapture::blockedReaders() const
{
    std::lock_guard lock(mutex);
    return blocked;
}

bool FakeVideoCapture::waitForBlockedReader(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [this] { return blocked > 0; });
}

bool FakeVideoCapture::waitForFrameWaiter(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [this] { return frameWaiters > 0; });
}

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
    if (counted)
        --frameWaiters;
}

FrameWait FakeVideoCapture::waitForFrame(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex);
    const auto deadline = Clock::now() + timeout;
    // A device that is gone fails its read at once: the read, not the wait, reports it.
    waitUntilFrameDue(lock, deadline, [this] { return !opened || connectionDropped; });
    return Clock::now() < deadline || frameDue() ? FrameWait::Ready : FrameWait::TimedOut;
}

bool FakeVideoCapture::waitForReads(int count, std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [this, count] { return reads >= count; });
}

bool FakeVideoCapture::open(int index, int apiPreference)
{
    return open(index, apiPreference, {});
}

bool FakeVideoCapture::open(int index, int apiPreference, const std::vector<int> &params)
{
    std::lock_guard lock(mutex);
    opens.push_back({index, apiPreference, params});
    raise(openFailure, "open");
    opened = openResult;
    connectionDropped = false;
    return opened;
}

bool FakeVideoCapture::isOpened() const
{
    std::lock_guard lock(mutex);
    raise(isOpenedFailure, "isOpened");
    return opened && !connectionDropped;
}

void FakeVideoCapture::release()
{
    {
        std::lock_guard lock(mutex);
        ++releases;
        opened = false;
    }
    changed.notify_all();
}

bool FakeVideoCapture::read(cv::OutputArray image)
{
    {
        std::unique_lock lock(mutex);
        if (blocking) {
            const std::uint64_t ticket = releaseTicket;
            ++blocked;
            changed.notify_all();
            changed.wait(lock, [&] { return !blocking || releaseTicket != ticket; });
            --blocked;
        }
        // As V4L2's select(): the read waits for the frame that is due, and up to 10 s for one to come.
        const std::uint64_t ticket = releaseTicket;
        waitUntilFrameDue(lock, Clock::now() + std::chrono::seconds(10), [&] { return releaseTicket != ticket; });
        nextFrameDue = Clock::now() + readInterval;
    }

    cv::Mat frame;
    bool copy = false;
    {
        std::lock_guard lock(mutex);
        ++reads;
        copy = copyIntoOutput;
        changed.notify_all();
        raise(readFailure, "read");
        if (!queued.empty()) {
            frame = std::move(queued.front());
            queued.pop_front();
        } else {
            frame = steadyFrame;
        }
        if (!frame.empty())
            delivered.push_back(frame.data);
    }
    if (copy) {
        if (frame.empty()) {
            image.release();
            return false;
        }
        const bool fits = image.kind() == cv::_InputArray::MAT && !image.empty()
            && image.size() == frame.size() && image.type() == frame.type();
        frame.copyTo(image);
        if (fits) {
            std::lock_guard lock(mutex);
            ++reused;
        }
        return true;
    }
    // Hand the buffer over shared, never copied, so tests can follow it by its data pointer.
    if (image.kind() == cv::_InputArray::MAT)
        image.getMatRef() = frame;
    else
        frame.copyTo(image);
    return !frame.empty();
}

bool FakeVideoCapture::set(int propertyId, double value)
{
    std::lock_guard lock(mutex);
    sets.push_back({propertyId, value});
    const Failure failure = nextSetFailure;
    nextSetFailure = Failure::None;
    raise(failure, "set");
    return opened && refused.count(propertyId) == 0;
}

double FakeVideoCapture::get(int) const
{
    return 0.0;
}
