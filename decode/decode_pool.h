#pragma once

#include "decode/focus_measure.h"
#include "decode/mjpeg_geometry.h"

#include <QImage>
#include <opencv2/core/mat.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class BufferBank;

// One decoded frame, ready for the view.
struct DecodedFrame {
    // BGR888 at plan.outputSize. Its pixels live in a pool buffer that goes back to the pool
    // when the last copy of the image is gone, so the image can be handed on without a copy.
    QImage image;
    DecodePlan plan;            // full frame size, the part shown and the scale it was decoded at
    std::uint64_t sequence = 0; // submission number, counting from 1
    std::chrono::steady_clock::time_point received;  // when the camera's frame was submitted
    // The frame as the camera sent it, kept so that a snapshot can decode it whole.
    cv::Mat compressed;
    FocusReading focus;         // measured on `image`, while its pixels were still at hand
};

// Whether a frame read from a camera asked for its compressed stream is compressed data for
// the pool: one row of bytes, as a raw MJPG read returns it. No camera sends a picture one
// row tall, and bytes that are no JPEG are the decoder's to refuse (and to log).
bool isCompressedFrame(const cv::Mat &frame);

// Decodes compressed camera frames on one worker per core. Newest frame wins at both ends:
// when the queue is full the oldest waiting frame is dropped, and of the decoded frames only
// the newest one is kept for the consumer (one that finishes after a newer one is discarded),
// so a slow consumer never sees latency build up. All members are thread-safe.
class DecodePool {
public:
    struct Stats {
        std::uint64_t submitted = 0;
        std::uint64_t dropped = 0;     // waited in the queue until a newer frame pushed it out
        std::uint64_t decoded = 0;
        std::uint64_t failed = 0;      // corrupt, truncated, empty, or no memory to decode it
        std::uint64_t superseded = 0;  // decoded, but a newer frame was already done
        int bufferAllocations = 0;     // frame-sized allocations made so far
        int peakInFlight = 0;          // most frames queued or decoding at once
    };

    // workerCount 0: one per core. At most workerCount + maxPending frames are in flight.
    // Throws, with no worker left running, when a worker cannot be started.
    explicit DecodePool(int workerCount = 0, int maxPending = 1);
    ~DecodePool();
    DecodePool(const DecodePool &) = delete;
    DecodePool &operator=(const DecodePool &) = delete;

    // The zoom, pan and view area that frames decoded from now on are planned for.
    void setViewRequest(const ViewRequest &view);

    // What the focus meter measures on frames decoded from now on.
    void setFocusRequest(const FocusRequest &request);

    // Queues one compressed frame (continuous 8-bit data, e.g. the 1-row matrix a raw MJPG
    // read returns). Its data must stay valid until decoded: a matrix that owns its data is.
    void submit(cv::Mat compressed);

    // Moves the newest decoded frame not yet taken into `frame`; false when there is none.
    bool takeNewest(DecodedFrame &frame);

    // Waits until no frame is queued or decoding; false on timeout.
    bool waitIdle(std::chrono::milliseconds timeout);

    // Drops the queued frames, lets the running decodes finish and joins the workers.
    // Images already handed out stay valid. Called by the destructor.
    void stop();

    Stats stats() const;
    int workerCount() const { return int(workers.size()); }

private:
    struct Job {
        cv::Mat compressed;
        std::uint64_t sequence = 0;
        std::chrono::steady_clock::time_point received;
    };

    void work();

    const std::size_t maxPending;
    const std::shared_ptr<BufferBank> bank;
    mutable std::mutex mutex;
    std::condition_variable jobReady;
    std::condition_variable idle;
    std::deque<Job> pending;
    ViewRequest view;
    FocusRequest focus;
    DecodedFrame newest;
    bool hasNewest = false;
    std::uint64_t nextSequence = 0;
    std::uint64_t newestSequence = 0;
    int busy = 0;
    bool stopping = false;
    Stats counters;
    // Each kind of failure is logged once per pool, that is once per stream.
    bool corruptFrameLogged = false;
    bool memoryFailureLogged = false;
    std::vector<std::thread> workers;
};
