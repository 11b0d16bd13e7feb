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

cv::Mat compressed(const std::vector<uint8_t> &jpeg)
{
    return cv::Mat(1, int(jpeg.size()), CV_8UC1, const_cast<uint8_t *>(jpeg.data())).clone();
}

// Frame n is a flat colour that tells n back after compression.
cv::Mat frameOf(int n, cv::Size size = {320, 240})
{
    return compressed(encodePicture(flatPicture(size, cv::Vec3b(uchar(20 + 7 * n), uchar(230 - 5 * n), 128)),
                                    JpegSampling::Yuv422));
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

    // The only buffer is out with the shown image: the worker's first allocation is a fresh one.
    DecodedFrame shown = frame;
    testThread = std::this_thread::get_id();
    allocationsToFail = 1;
    EXPECT_FALSE(decodes(good));
    EXPECT_EQ(allocationsToFail.load(), 0);
    ASSERT_TRUE(decodes(good));
    // Buffers free: the first allocation is the record that hands the image's buffer back.
    shown = frame = DecodedFrame();
    allocationsToFail = 1;
    EXPECT_FALSE(decodes(good));
    EXPECT_EQ(allocationsToFail.load(), 0);
    ASSERT_TRUE(decodes(good));

    EXPECT_EQ(pool.stats().failed, 4u);
    EXPECT_EQ(log.messages().filter(QStringLiteral("Dropped a corrupt camera frame: ")).size(), 1);
    EXPECT_EQ(log.count(QStringLiteral("Dropped a camera frame: out of memory")), 1);
}

TEST(FocusMeter, SharpBeatsBlurredAndScoresCompareAcrossDecodeScales)
{
    FocusRequest request;
    request.enabled = true;
    request.insideCircle = true;
    request.centre = {640, 480};
    request.radius = 300;
    const cv::Rect whole(0, 0, 1280, 960);
    const FocusReading sharp = measureFocus(chequerboard({1280, 960}, 16, 1), whole, 1, request);
    const FocusReading blurred = measureFocus(chequerboard({1280, 960}, 16, 9), whole, 1, request);
    ASSERT_TRUE(sharp.valid && blurred.valid);
    EXPECT_GT(sharp.score, 3 * blurred.score);
    // Circle 1 wholly off the picture gives no score; with the circle off, the middle counts.
    request.centre = {-400, 480};
    EXPECT_FALSE(measureFocus(chequerboard({1280, 960}, 16, 1), whole, 1, request).valid);
    request.insideCircle = false;
    EXPECT_TRUE(measureFocus(chequerboard({1280, 960}, 16, 1), whole, 1, request).valid);

    // Edges wide enough to survive a decode at 1/4 score alike (within a fifth: their ends blur).
    request.insideCircle = true;
    request.centre = {640, 480};
    const std::vector<uint8_t> jpeg = encodePicture(chequerboard({1280, 960}, 128, 32), JpegSampling::Yuv422);
    DecodePool pool(1, 1);
    pool.setFocusRequest(request);
    std::vector<FocusReading> readings;
    for (const cv::Size area : {cv::Size(2000, 1500), cv::Size(320, 240)}) {
        pool.setViewRequest(ViewRequest{1.0, {}, area});
        pool.submit(compressed(jpeg));
        ASSERT_TRUE(pool.waitIdle(10s));
        DecodedFrame frame;
        ASSERT_TRUE(pool.takeNewest(frame));
        readings.push_back(frame.focus);
    }
    ASSERT_TRUE(readings[0].valid && readings[1].valid);
    EXPECT_EQ(readings[1].scaleDenom, 4);
    EXPECT_NEAR(readings[1].score / readings[0].score, 1.0, 0.2);
}
