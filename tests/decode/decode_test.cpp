#include "decode/decode_pool.h"
#include "decode/mjpeg_decoder.h"
#include "decode/mjpeg_geometry.h"
#include "decode/zoom_crop.h"
#include "test_pictures.h"
#include "tests/support/diagnostic_log_reader.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace {

// Allocations made to fail on every thread but the test's, as on a machine out of memory;
// on the test's own thread, the one after the allowance (none while that is negative).
std::atomic<int> allocationsToFail{0};
std::atomic<int> testThreadAllowance{-1};
std::thread::id testThread;

} // namespace

void *operator new(std::size_t size)
{
    if (std::this_thread::get_id() == testThread && testThreadAllowance.fetch_sub(1) == 0)
        throw std::bad_alloc();
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

cv::Vec3b pixel(const FrameBuffer &buffer, int x, int y)
{
    const uint8_t *p = buffer.data() + std::size_t(y) * buffer.stride() + std::size_t(x) * 3;
    return cv::Vec3b(p[0], p[1], p[2]);
}

int difference(cv::Vec3b a, cv::Vec3b b)
{
    return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

// Frame n is a flat colour that tells n back after compression.
cv::Mat frameOf(int n, cv::Size size = {320, 240})
{
    std::vector<uint8_t> jpeg = encodePicture(cv::Mat(size, CV_8UC3, cv::Scalar(20 + 7 * n, 230 - 5 * n, 128)),
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

TEST(DecodePool, FailuresDropTheFrameOrFailTheStartAndNeverEndTheProcess)
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
    // The worker may still be handing back the last frame's buffer when the failure is armed
    // and meet it there; arm again until a frame of its own does.
    testThread = std::this_thread::get_id();
    bool dropped = false;
    for (int attempt = 0; attempt < 20 && !dropped; ++attempt) {
        allocationsToFail = 1;
        dropped = !decodes(good);
        allocationsToFail = 0;
    }
    EXPECT_TRUE(dropped);
    ASSERT_TRUE(decodes(good));

    EXPECT_EQ(pool.stats().failed, 3u);
    EXPECT_EQ(log.messages().filter(QStringLiteral("Dropped a corrupt camera frame: ")).size(), 1);
    EXPECT_EQ(log.count(QStringLiteral("Dropped a camera frame: out of memory")), 1);

    // A worker that cannot start: those running are stopped, not left to end the process.
    int failures = 0;
    for (bool built = false; !built && failures < 50;) {
        testThreadAllowance = failures;
        try {
            DecodePool other(3, 1);
            testThreadAllowance = -1;
            built = true;
        } catch (const std::bad_alloc &) {
            ++failures;
        }
    }
    EXPECT_GE(failures, 3);
}

TEST(ZoomCrop, StaysInsideTheFrame)
{
    const QSize uhd(3840, 2160);
    const struct { QSize frame; double zoom; QPointF offset; QRect expected; } rows[] = {
        {uhd, 1.0, {500, 500}, {0, 0, 3840, 2160}},        {uhd, 1.01, {}, {0, 0, 3840, 2160}},
        {uhd, 1.1, {}, {175, 99, 3490, 1962}},             {uhd, 2.0, {10.9, -10.9}, {970, 530, 1920, 1080}},
        {uhd, 2.0, {5000, 5000}, {1920, 1080, 1920, 1080}}, {uhd, 2.0, {-5000, -5000}, {0, 0, 1920, 1080}},
        {uhd, 7.0, {}, {1646, 926, 548, 308}},             {uhd, 8.0, {1680, 0}, {3360, 945, 480, 270}},
        {uhd, 8.0, {1681, -946}, {3360, 0, 480, 270}},     {{9, 5}, 8.0, {}, {3, 1, 2, 2}},
        {{1, 1}, 8.0, {3, 3}, {0, 0, 1, 1}},               {uhd, 2.0, {1e300, qQNaN()}, {1920, 540, 1920, 1080}}};
    for (const auto &r : rows)
        EXPECT_EQ(zoomCropRect(r.frame, r.zoom, r.offset), r.expected) << r.zoom << " " << r.offset.x() << "," << r.offset.y();
}

TEST(DecodePlan, UnzoomedPicksTheCoarsestScaleThatStillFillsTheDrawnPicture)
{
    const struct { cv::Size frame, area; int scale; cv::Size output; } cases[] = {
        {{4000, 3000}, {1228, 708}, 4, {1000, 750}},   // drawn 944 x 708
        {{4000, 3000}, {1000, 750}, 4, {1000, 750}},   // exact fit
        {{4000, 3000}, {1001, 2000}, 2, {2000, 1500}}, // width-limited, one pixel too wide for 1/4
        {{4000, 3000}, {2001, 1501}, 1, {4000, 3000}},
        {{4000, 3000}, {300, 100}, 8, {500, 375}},
        {{3840, 2160}, {1921, 1080}, 2, {1920, 1080}}, // height-limited
        {{3263, 2447}, {408, 306}, 8, {408, 306}},     // libjpeg rounds scaled sides up
        {{4000, 3000}, {0, 0}, 1, {4000, 3000}},       // view not laid out yet
        {{4000, 3000}, {-5, 700}, 1, {4000, 3000}},
    };
    for (const auto &c : cases) {
        const DecodePlan plan = planDecode(JpegFrameInfo{c.frame, 16}, ViewRequest{1.0, {}, c.area});
        EXPECT_EQ(plan.scaleDenom, c.scale) << c.frame << " in " << c.area;
        EXPECT_EQ(plan.outputSize, c.output) << c.frame << " in " << c.area;
        EXPECT_EQ(plan.shown, cv::Rect(cv::Point(), c.frame));
        EXPECT_EQ(plan.decoded, plan.shown);
    }
}

TEST(MjpegDecoder, CropEqualsTheSameRegionOfTheFullDecode)
{
    const cv::Mat picture = texturedPicture({1283, 963});
    MjpegDecoder decoder;
    FrameBuffer full;
    FrameBuffer crop;
    for (JpegSampling sampling : {JpegSampling::Yuv422, JpegSampling::Yuv420, JpegSampling::Yuv444, JpegSampling::Gray}) {
        const std::vector<uint8_t> jpeg = encodePicture(picture, sampling);
        DecodePlan fullPlan;
        ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), ViewRequest(), full, fullPlan));
        // Grey frames come out as BGR too.
        if (sampling == JpegSampling::Gray) {
            EXPECT_EQ(difference(pixel(full, 40, 9), cv::Vec3b::all(pixel(full, 40, 9)[1])), 0);
        }
        for (const auto &[zoom, offset] : {std::pair{2.0, cv::Point2d()}, {2.0, {-1e4, 1e4}},
                                           {8.0, {1e4, -1e4}}, {8.0, {123.7, -45.2}}, {1.3, {3, 5}}}) {
            DecodePlan plan;
            ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), ViewRequest{zoom, offset, {800, 600}}, crop, plan))
                << decoder.lastError();
            ASSERT_EQ(plan.shown, zoomCropRect({1283, 963}, zoom, offset));
            ASSERT_EQ(plan.decoded & cv::Rect(0, 0, 1283, 963), plan.decoded);
            ASSERT_EQ(crop.size(), plan.shown.size());
            double total = 0;
            int worst = 0;
            for (int y = 0; y < crop.size().height; ++y) {
                for (int x = 0; x < crop.size().width; ++x) {
                    const int d = difference(pixel(crop, x, y), pixel(full, plan.shown.x + x, plan.shown.y + y));
                    total += d;
                    worst = std::max(worst, d);
                }
            }
            // Only the upsampling at the decoded region's left edge may differ; a crop that
            // is off by one column would differ everywhere.
            EXPECT_LT(total / plan.shown.area(), 0.5) << "zoom " << zoom << " offset " << offset;
            EXPECT_LE(worst, 24) << "zoom " << zoom << " offset " << offset;
        }
    }
}
