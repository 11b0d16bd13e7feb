#include "decode/decode_pool.h"
#include "test_pictures.h"
#include "tests/support/diagnostic_log_reader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace {

// Allocations made to fail on every thread but the test's, as on a machine out of memory.
std::atomic<int> allocationsToFail{0};
std::thread::id testThread;

} // namespace

void *operator new(std::size_t size)
{
    for (int left = allocationsToFail.load(); left > 0 && std::this_thread::get_id() != testThread;) {
        if (allocationsToFail.compare_exchange_weak(left, left - 1))
            throw std::bad_alloc();
    }
    if (void *memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void operator delete(void *memory) noexcept
{
    std::free(memory);
}

void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

using namespace std::chrono_literals;

// Frame n is a flat colour that tells n back after compression.
cv::Mat frameOf(int n, cv::Size size = {320, 240})
{
    std::vector<uint8_t> jpeg = encodePicture(flatPicture(size, cv::Vec3b(uchar(20 + 7 * n), uchar(230 - 5 * n), 128)),
                                              JpegSampling::Yuv422);
    return cv::Mat(1, int(jpeg.size()), CV_8UC1, jpeg.data()).clone();
}

bool shows(const QImage &image, int n)
{
    const uchar *p = image.constScanLine(image.height() / 2) + (image.width() / 2) * 3;
    return std::abs(p[0] - (20 + 7 * n)) <= 4 && std::abs(p[1] - (230 - 5 * n)) <= 4;
}

} // namespace

TEST(DecodePool, NewestFrameWinsFramesAndBuffersStayBoundedAndImagesOutlastThePool)
{
    QImage kept;
    {
        std::vector<cv::Mat> stream;
        for (int n = 1; n <= 30; ++n)
            stream.push_back(frameOf(n, {640, 480}));
        DecodePool pool(1, 1);
        for (const cv::Mat &data : stream)
            pool.submit(data);
        ASSERT_TRUE(pool.waitIdle(10s));

        DecodedFrame frame;
        ASSERT_TRUE(pool.takeNewest(frame));
        EXPECT_EQ(frame.sequence, 30u);
        EXPECT_EQ(frame.image.size(), QSize(640, 480));
        EXPECT_FALSE(pool.takeNewest(frame));

        const DecodePool::Stats stats = pool.stats();
        EXPECT_EQ(stats.decoded + stats.dropped, 30u);
        EXPECT_GT(stats.dropped, 0u);
        EXPECT_LE(stats.peakInFlight, 2);
        // Replaced frames hand their buffers back.
        EXPECT_LE(stats.bufferAllocations, 3);

        kept = frame.image;
        for (const cv::Mat &data : stream)
            pool.submit(data);
    }
    // The pool stopped with frames pending; the image still reads, then hands its buffer back
    // to a bank the pool no longer owns.
    EXPECT_TRUE(shows(kept, 30));
    kept = QImage();
}

TEST(DecodePool, FailedFramesAreDroppedAndLoggedOnceAndTheStreamGoesOn)
{
    const DiagnosticLogReader log;
    const cv::Mat good = frameOf(5);
    DecodePool pool(1, 4);
    DecodedFrame frame;
    const auto decodes = [&](const cv::Mat &data) {
        pool.submit(data);
        return pool.waitIdle(10s) && pool.takeNewest(frame) && shows(frame.image, 5);
    };
    EXPECT_FALSE(decodes(good.colRange(0, good.cols / 2).clone()));
    EXPECT_FALSE(decodes(cv::Mat()));
    ASSERT_TRUE(decodes(good));
    // Out of memory in the worker drops that frame; it must not end the program.
    testThread = std::this_thread::get_id();
    allocationsToFail = 1;
    EXPECT_FALSE(decodes(good));
    EXPECT_EQ(allocationsToFail.load(), 0);
    ASSERT_TRUE(decodes(good));

    EXPECT_EQ(pool.stats().failed, 3u);
    EXPECT_EQ(log.messages().filter(QStringLiteral("Dropped a corrupt camera frame: ")).size(), 1);
    EXPECT_EQ(log.count(QStringLiteral("Dropped a camera frame: out of memory")), 1);
}

TEST(FocusMeter, SharpBeatsBlurredAndOnlyTheCircleCounts)
{
    FocusRequest request;
    request.enabled = true;
    request.insideCircle = true;
    request.centre = {640, 480};
    request.radius = 300;
    const cv::Rect whole(0, 0, 1280, 960);
    const cv::Mat sharpBoard = chequerboard({1280, 960}, 16, 1);
    const FocusReading sharp = measureFocus(sharpBoard, whole, 1, request);
    const FocusReading blurred = measureFocus(chequerboard({1280, 960}, 16, 9), whole, 1, request);
    ASSERT_TRUE(sharp.valid && blurred.valid);
    EXPECT_GT(sharp.score, 3 * blurred.score);
    // Circle 1 wholly off the picture gives no score; with the circle off, the middle counts.
    request.centre = {-400, 480};
    EXPECT_FALSE(measureFocus(sharpBoard, whole, 1, request).valid);
    request.insideCircle = false;
    EXPECT_TRUE(measureFocus(sharpBoard, whole, 1, request).valid);
}
