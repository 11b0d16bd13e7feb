#include "decode/decode_pool.h"

#include "app/crash_handler.h"
#include "app/diagnostic_log.h"
#include "decode/frame_buffer.h"
#include "decode/mjpeg_decoder.h"
#include "decode/spot_finder.h"
#include "decode/spot_refiner.h"

#include <QString>

#include <algorithm>
#include <exception>
#include <new>
#include <utility>

// Free frame buffers, shared by the pool and by every image still out, so that an image the
// view keeps after the pool has gone can still hand its buffer back.
class BufferBank {
public:
    std::unique_ptr<FrameBuffer> acquire()
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (free.empty())
            return std::make_unique<FrameBuffer>();
        std::unique_ptr<FrameBuffer> buffer = std::move(free.back());
        free.pop_back();
        return buffer;
    }

    // Also runs where an image's last copy goes, inside QImage's destructor: short of memory
    // to keep the buffer, it is freed instead of thrown about.
    void release(std::unique_ptr<FrameBuffer> buffer) noexcept
    {
        std::lock_guard<std::mutex> lock(mutex);
        try {
            free.push_back(std::move(buffer));
        } catch (const std::bad_alloc &) {
        }
    }

private:
    std::mutex mutex;
    std::vector<std::unique_ptr<FrameBuffer>> free;
};

namespace {

struct Lease {
    std::shared_ptr<BufferBank> bank;
    std::unique_ptr<FrameBuffer> buffer;
};

// Runs on whichever thread drops the image's last copy.
void returnLease(void *info)
{
    std::unique_ptr<Lease> lease(static_cast<Lease *>(info));
    lease->bank->release(std::move(lease->buffer));
}

// Null when there is no memory for the image; the buffer is freed then, being what is short.
QImage leaseImage(std::shared_ptr<BufferBank> bank, std::unique_ptr<FrameBuffer> buffer)
{
    FrameBuffer *pixels = buffer.get();
    auto lease = std::make_unique<Lease>(Lease{std::move(bank), std::move(buffer)});
    QImage image(pixels->data(), pixels->size().width, pixels->size().height, pixels->stride(),
                 QImage::Format_BGR888, returnLease, lease.get());
    if (!image.isNull())
        lease.release();
    return image;
}

} // namespace

bool isCompressedFrame(const cv::Mat &frame)
{
    return frame.rows == 1 && frame.type() == CV_8UC1 && frame.isContinuous();
}

DecodePool::DecodePool(int workerCount, int maxPendingFrames)
    : maxPending(std::size_t(std::max(1, maxPendingFrames)))
    , bank(std::make_shared<BufferBank>())
{
    if (workerCount <= 0)
        workerCount = int(std::max(1u, std::thread::hardware_concurrency()));
    workers.reserve(std::size_t(workerCount));
    try {
        for (int i = 0; i < workerCount; ++i)
            workers.emplace_back([this] {
                prepareThreadForCrashReports();
                work();
            });
    } catch (...) {
        // A thread limit or short memory: the workers already running must be joined before
        // their objects go with the half-built pool, or the process ends. The caller reports it.
        stop();
        throw;
    }
}

DecodePool::~DecodePool()
{
    stop();
}

void DecodePool::setViewRequest(const ViewRequest &request)
{
    std::lock_guard<std::mutex> lock(mutex);
    view = request;
}

void DecodePool::setFocusRequest(const FocusRequest &request)
{
    std::lock_guard<std::mutex> lock(mutex);
    focus = request;
}

void DecodePool::submit(cv::Mat compressed)
{
    Job pushedOut;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopping)
            return;
        ++counters.submitted;
        if (pending.size() >= maxPending) {
            pushedOut = std::move(pending.front());
            pending.pop_front();
            ++counters.dropped;
        }
        pending.push_back(Job{std::move(compressed), ++nextSequence, std::chrono::steady_clock::now()});
        counters.peakInFlight = std::max(counters.peakInFlight, busy + int(pending.size()));
    }
    jobReady.notify_one();
}

bool DecodePool::takeNewest(DecodedFrame &frame)
{
    DecodedFrame previous;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!hasNewest)
            return false;
        previous = std::move(frame);
        frame = std::move(newest);
        newest = DecodedFrame();
        hasNewest = false;
    }
    return true;
}

bool DecodePool::waitIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex);
    return idle.wait_for(lock, timeout, [this] { return pending.empty() && busy == 0; });
}

void DecodePool::stop()
{
    std::deque<Job> dropped;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        counters.dropped += pending.size();
        dropped.swap(pending);
    }
    jobReady.notify_all();
    idle.notify_all();
    for (std::thread &worker : workers) {
        if (worker.joinable())
            worker.join();
    }
}

DecodePool::Stats DecodePool::stats() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return counters;
}

void DecodePool::work()
{
    std::unique_ptr<MjpegDecoder> decoder;
    SpotRefiner spotRefiner;
    for (;;) {
        Job job;
        ViewRequest request;
        FocusRequest focusRequest;
        {
            std::unique_lock<std::mutex> lock(mutex);
            jobReady.wait(lock, [this] { return stopping || !pending.empty(); });
            if (stopping)
                return;
            job = std::move(pending.front());
            pending.pop_front();
            request = view;
            focusRequest = focus;
            ++busy;
        }

        std::unique_ptr<FrameBuffer> buffer;
        int allocated = 0;
        DecodedFrame result;
        bool ok = false;
        bool outOfMemory = false;
        QString error;
        try {
            buffer = bank->acquire();
            const int allocationsBefore = buffer->allocationCount();
            if (!decoder)
                decoder = std::make_unique<MjpegDecoder>();
            const cv::Mat &data = job.compressed;
            if (data.depth() != CV_8U || !data.isContinuous()) {
                error = QStringLiteral("not a compressed frame");
            } else {
                ok = decoder->decode(data.ptr<uint8_t>(), data.total() * data.elemSize(),
                                     request, *buffer, result.plan);
                if (!ok)
                    error = QString::fromStdString(decoder->lastError());
            }
            allocated = buffer->allocationCount() - allocationsBefore;
            if (ok) {
                result.focus = measureFocus(buffer->mat(), result.plan.shown, result.plan.scaleDenom, focusRequest);
                result.focus.spot = findSpot(buffer->mat(), result.plan.shown, result.plan.scaleDenom, focusRequest);
                result.focus.spot = spotRefiner.refine(data, buffer->mat(), result.focus.spot, result.plan,
                                                       focusRequest.generation);
                result.image = leaseImage(bank, std::move(buffer));
                if (result.image.isNull())
                    throw std::bad_alloc();
            }
        } catch (const std::bad_alloc &) {
            // Like a corrupt frame: this one is dropped, the stream goes on.
            outOfMemory = true;
            ok = false;
        } catch (const std::exception &e) {
            error = QString::fromUtf8(e.what());
            ok = false;
        }
        if (ok) {
            result.sequence = job.sequence;
            result.received = job.received;
            result.compressed = std::move(job.compressed);
        } else if (buffer) {
            bank->release(std::move(buffer));
        }
        job.compressed.release();

        DecodedFrame replaced;
        bool firstOfItsKind = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            --busy;
            counters.bufferAllocations += allocated;
            if (!ok) {
                ++counters.failed;
                bool &logged = outOfMemory ? memoryFailureLogged : corruptFrameLogged;
                firstOfItsKind = !logged;
                logged = true;
            } else if (result.sequence > newestSequence) {
                ++counters.decoded;
                newestSequence = result.sequence;
                replaced = std::move(newest);
                newest = std::move(result);
                hasNewest = true;
            } else {
                ++counters.decoded;
                ++counters.superseded;
            }
        }
        idle.notify_all();
        // Still short of memory, the line is left out rather than ending the worker.
        try {
            if (firstOfItsKind) {
                DiagnosticLog(outOfMemory ? QStringLiteral("Dropped a camera frame: out of memory")
                                          : QStringLiteral("Dropped a corrupt camera frame: %1").arg(error));
            }
        } catch (const std::bad_alloc &) {
        }
    }
}
