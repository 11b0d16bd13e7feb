#include "camera/decode_pool.h"
#include "test_pictures.h"

#include <gtest/gtest.h>

#include <cstdlib>

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
