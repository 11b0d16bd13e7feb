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

bool failThisAllocation()
{
    int left = allocationsToFail.load();
    while (left > 0 && std::this_thread::get_id() != testThread) {
        if (allocationsToFail.compare_exchange_weak(left, left - 1))
            return true;
    }
    return false;
}

} // namespace

void *operator new(std::size_t size)
{
    if (!failThisAllocation()) {
        if (void *memory = std::malloc(size ? size : 1))
            return memory;
    }
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
cv::Vec3b colourOf(int n)
{
    return cv::Vec3b(uchar(20 + 7 * n), uchar(230 - 5 * n), 128);
}

bool showsColour(const QImage &image, cv::Vec3b colour)
{
    const uchar *p = image.constScanLine(image.height() / 2) + (image.width() / 2) * 3;
    for (int c = 0; c < 3; ++c) {
        if (std::abs(int(p[c]) - int(colour[c])) > 4)
            return false;
    }
    return true;
}

} // namespace

TEST(DecodePool, NewestFrameWinsAndFramesInFlightStayBounded)
{
    std::vector<std::vector<uint8_t>> stream;
    for (int n = 1; n <= 30; ++n)
        stream.push_back(encodePicture(flatPicture({640, 480}, colourOf(n)), JpegSampling::Yuv422));

    DecodePool pool(1, 1);
    for (const std::vector<uint8_t> &jpeg : stream)
        pool.submit(compressed(jpeg));
    ASSERT_TRUE(pool.waitIdle(10s));

    DecodedFrame frame;
    ASSERT_TRUE(pool.takeNewest(frame));
    EXPECT_EQ(frame.sequence, 30u);
    EXPECT_TRUE(showsColour(frame.image, colourOf(30)));
    EXPECT_EQ(frame.image.size(), QSize(640, 480));
    EXPECT_FALSE(pool.takeNewest(frame));

    const DecodePool::Stats stats = pool.stats();
    EXPECT_EQ(stats.submitted, 30u);
    EXPECT_EQ(stats.decoded + stats.dropped, 30u);
    EXPECT_EQ(stats.failed, 0u);
    EXPECT_LE(stats.peakInFlight, 2);
    EXPECT_GT(stats.dropped, 0u);
}

TEST(DecodePool, SteadyStateRecyclesItsBuffersAndFollowsTheView)
{
    const std::vector<uint8_t> jpeg = encodePicture(texturedPicture({1280, 960}), JpegSampling::Yuv420);
    DecodePool pool(2, 1);
    ViewRequest view;
    view.viewArea = cv::Size(700, 500);
    pool.setViewRequest(view);

    // The consumer keeps one frame and the "view" keeps the one shown before it.
    DecodedFrame current;
    QImage shown;
    int allocationsAfterWarmUp = 0;
    for (int n = 0; n < 40; ++n) {
        if (n == 20) {
            view.zoom = 4.0;   // smaller images fit the buffers already there
            pool.setViewRequest(view);
        }
        pool.submit(compressed(jpeg));
        ASSERT_TRUE(pool.waitIdle(10s));
        ASSERT_TRUE(pool.takeNewest(current));
        shown = current.image;
        if (n == 4)
            allocationsAfterWarmUp = pool.stats().bufferAllocations;
    }
    EXPECT_GT(allocationsAfterWarmUp, 0);
    EXPECT_EQ(pool.stats().bufferAllocations, allocationsAfterWarmUp);
    EXPECT_EQ(current.plan.shown, zoomCropRect({1280, 960}, 4.0, {}));
    EXPECT_EQ(current.image.size(), QSize(320, 240));
}

TEST(DecodePool, CorruptFramesAreNeverHandedOut)
{
    const std::vector<uint8_t> good = encodePicture(flatPicture({320, 240}, colourOf(3)), JpegSampling::Yuv422);
    const std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    DecodePool pool(2, 4);
    pool.submit(compressed(truncated));
    pool.submit(cv::Mat());
    ASSERT_TRUE(pool.waitIdle(10s));
    DecodedFrame frame;
    EXPECT_FALSE(pool.takeNewest(frame));
    EXPECT_EQ(pool.stats().failed, 2u);

    pool.submit(compressed(good));
    ASSERT_TRUE(pool.waitIdle(10s));
    ASSERT_TRUE(pool.takeNewest(frame));
    EXPECT_TRUE(showsColour(frame.image, colourOf(3)));
}

TEST(DecodePool, OutOfMemoryDropsTheFrameAndIsLoggedOnce)
{
    const std::vector<uint8_t> jpeg = encodePicture(flatPicture({320, 240}, colourOf(5)), JpegSampling::Yuv422);
    const DiagnosticLogReader log;
    DecodePool pool(1, 1);
    DecodedFrame frame;
    const auto decodes = [&] {
        pool.submit(compressed(jpeg));
        return pool.waitIdle(10s) && pool.takeNewest(frame) && showsColour(frame.image, colourOf(5));
    };
    // Worker started, decoder ready, and the only buffer still out with the shown image.
    ASSERT_TRUE(decodes());
    DecodedFrame shown = frame;
    testThread = std::this_thread::get_id();

    // No buffer free: the worker's first allocation is a fresh one.
    allocationsToFail = 1;
    EXPECT_FALSE(decodes());
    EXPECT_EQ(allocationsToFail.load(), 0);
    ASSERT_TRUE(decodes());

    // Buffers free: the first allocation is the record that hands the image's buffer back.
    shown = frame = DecodedFrame();
    allocationsToFail = 1;
    EXPECT_FALSE(decodes());
    EXPECT_EQ(allocationsToFail.load(), 0);
    ASSERT_TRUE(decodes());

    EXPECT_EQ(pool.stats().failed, 2u);
    EXPECT_EQ(log.count(QStringLiteral("Dropped a camera frame: out of memory")), 1);
}

TEST(DecodePool, StopsCleanlyWithFramesPendingAndImagesOutlastThePool)
{
    const std::vector<uint8_t> jpeg = encodePicture(texturedPicture({1920, 1080}), JpegSampling::Yuv422);
    QImage kept;
    {
        DecodePool pool(2, 3);
        pool.submit(compressed(jpeg));
        ASSERT_TRUE(pool.waitIdle(10s));
        DecodedFrame frame;
        ASSERT_TRUE(pool.takeNewest(frame));
        kept = frame.image;
        for (int n = 0; n < 20; ++n)
            pool.submit(compressed(jpeg));
    }
    ASSERT_EQ(kept.size(), QSize(1920, 1080));
    const QImage copy = kept.copy(0, 0, 64, 64);
    EXPECT_FALSE(copy.isNull());
    kept = QImage();  // hands the buffer back to a bank the pool no longer owns
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

    // Edges wide enough to survive a decode at 1/4 score alike, within a fifth, at full size
    // and at 1/4: the ends of each edge blur a little at 1/4.
    request.insideCircle = true;
    request.centre = {640, 480};
    const std::vector<uint8_t> jpeg = encodePicture(chequerboard({1280, 960}, 128, 32), JpegSampling::Yuv422);
    DecodePool pool(1, 1);
    pool.setFocusRequest(request);
    std::vector<FocusReading> readings;
    for (const cv::Size area : {cv::Size(2000, 1500), cv::Size(320, 240)}) {
        ViewRequest view;
        view.viewArea = area;
        pool.setViewRequest(view);
        pool.submit(compressed(jpeg));
        ASSERT_TRUE(pool.waitIdle(10s));
        DecodedFrame frame;
        ASSERT_TRUE(pool.takeNewest(frame));
        readings.push_back(frame.focus);
    }
    ASSERT_TRUE(readings[0].valid && readings[1].valid);
    EXPECT_EQ(readings[0].scaleDenom, 1);
    EXPECT_EQ(readings[1].scaleDenom, 4);
    EXPECT_NEAR(readings[1].score / readings[0].score, 1.0, 0.2)
        << readings[0].score << " at full size, " << readings[1].score << " at 1/4";
}
