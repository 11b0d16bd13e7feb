#include "decode/decode_pool.h"
#include "decode/mjpeg_decoder.h"
#include "decode/mjpeg_geometry.h"
#include "decode/spot_finder.h"
#include "decode/spot_refiner.h"
#include "decode/zoom_crop.h"
#include "camera/demo/demo_pattern.h"
#include "view/spot_badge.h"
#include "test_pictures.h"
#include "tests/support/diagnostic_log_reader.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <new>
#include <optional>
#include <thread>
#include <tuple>

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

// Restart markers change how a frame is coded, never its pixels: a region entered at one must
// be the very region decoded from the top of the stream in steps, and a damaged stream must
// fail or give it, never anything else.
TEST(MjpegDecoder, RegionEnteredAtARestartIsTheRegionDecodedFromTheTopInSteps)
{
    const cv::Mat picture = texturedPicture({1283, 963});
    MjpegDecoder decoder;
    FrameBuffer expected, region;
    const auto same = [](FrameBuffer &a, FrameBuffer &b) {
        return cv::norm(a.mat(), b.mat(), cv::NORM_INF) == 0;
    };
    // From a buffer that is gone once the decode has started, as a camera's frame may be.
    const auto decodeRegion = [&decoder](const std::vector<uint8_t> &bytes, const cv::Rect &wanted, FrameBuffer &out,
                                         DecodePlan &plan, int rowsPerStep = 37) {
        std::vector<uint8_t> frame = bytes;
        if (!decoder.startRegion(frame.data(), frame.size(), wanted, plan))
            return false;
        std::fill(frame.begin(), frame.end(), 0);
        MjpegDecoder::Step step;
        while ((step = decoder.continueRegion(rowsPerStep, out)) == MjpegDecoder::Step::Pending) {
        }
        return step == MjpegDecoder::Step::Done;
    };
    for (JpegSampling sampling : {JpegSampling::Yuv422, JpegSampling::Yuv420, JpegSampling::Yuv444, JpegSampling::Gray}) {
        const std::vector<uint8_t> plain = encodeWithRestarts(picture, sampling, 90, 0, 0);
        for (const auto &[rows, mcus] : {std::pair{1, 0}, {3, 0}, {0, 7}, {0, 1}}) {
            const std::vector<uint8_t> marked = encodeWithRestarts(picture, sampling, 90, rows, mcus);
            for (const cv::Rect &wanted : {cv::Rect(600, 400, 90, 70), cv::Rect(0, 900, 50, 90), cv::Rect(1200, 4, 83, 40),
                                           cv::Rect(5, 131, 1278, 500)}) {
                const std::string row = std::to_string(int(sampling)) + "/" + std::to_string(rows) + "/"
                        + std::to_string(mcus) + " " + std::to_string(wanted.y);
                DecodePlan plan, markedPlan;
                ASSERT_TRUE(decodeRegion(plain, wanted, expected, plan)) << row;
                EXPECT_FALSE(decoder.enteredAtRestart()) << row;
                ASSERT_TRUE(decodeRegion(marked, wanted, region, markedPlan, INT_MAX)) << row << ": " << decoder.lastError();
                EXPECT_EQ(decoder.enteredAtRestart(), wanted.y > 8) << row;
                EXPECT_EQ(std::tuple(markedPlan.frameSize, markedPlan.shown, markedPlan.decoded),
                          std::tuple(plan.frameSize, plan.shown, plan.decoded)) << row;
                EXPECT_TRUE(same(region, expected)) << row;
            }
            // Cut short anywhere, or with a marker renumbered above or inside the region.
            const cv::Rect wanted(600, 400, 90, 70);
            DecodePlan plan;
            ASSERT_TRUE(decodeRegion(plain, wanted, expected, plan));
            std::vector<std::vector<uint8_t>> damaged;
            for (std::size_t length = 2; length < marked.size(); length = length * 3 / 2 + 1)
                damaged.emplace_back(marked.begin(), marked.begin() + std::ptrdiff_t(length));
            for (double at : {0.2, 0.45}) {
                std::vector<uint8_t> bytes = marked;
                std::size_t i = std::size_t(double(bytes.size()) * at);
                while (i + 1 < bytes.size() && !(bytes[i] == 0xFF && bytes[i + 1] >= 0xD0 && bytes[i + 1] <= 0xD7))
                    ++i;
                if (i + 1 < bytes.size())
                    bytes[i + 1] = uint8_t(0xD0 + (bytes[i + 1] + 3) % 8);
                damaged.push_back(bytes);
            }
            for (const std::vector<uint8_t> &bytes : damaged) {
                if (decodeRegion(bytes, wanted, region, plan)) {
                    EXPECT_TRUE(same(region, expected)) << bytes.size() << " of " << marked.size();
                }
            }
        }
    }
}

// A 12 MP frame without restart markers and with as much detail as a busy scene: the full-scale
// measurement is spread over the frames that follow, and must still land on the target, and
// follow it when it then moves a little.
TEST(SpotRefiner, AMeasurementSpreadOverFramesLandsOnTheTargetAndFollowsIt)
{
    const cv::Size size(4000, 3000);
    const FocusRequest request{true, true, {2000, 1500}, 300.0, 1};
    cv::Mat scene(size, CV_8UC3);
    cv::randn(scene, cv::Scalar::all(100), cv::Scalar::all(40));
    for (int y = 1170; y <= 1830; ++y) {
        for (int x = 1670; x <= 2330; ++x) {
            if ((x - 2000) * (x - 2000) + (y - 1500) * (y - 1500) <= 330 * 330)
                scene.at<cv::Vec3b>(y, x) = cv::Vec3b(34, 28, 24);
        }
    }
    MjpegDecoder decoder;
    FrameBuffer picture;
    SpotRefiner refiner;
    AlignmentTarget target{false, {2093.3, 1431.7}};
    for (const cv::Point2d move : {cv::Point2d(), cv::Point2d(0.2, -0.1)}) {
        target.centre += move;
        cv::Mat frame = scene.clone();
        drawAlignmentTarget(frame, target);
        SensorNoise::camera().apply(frame, 3);
        std::vector<uint8_t> jpeg = encodePicture(frame, JpegSampling::Yuv422, cameraJpegQuality);
        const cv::Mat data(1, int(jpeg.size()), CV_8UC1, jpeg.data());
        SpotReading spot;
        int frames = 0;
        while (!spot.refined && frames++ < 40) {
            DecodePlan plan;
            ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), ViewRequest{1.0, {}, {1000, 750}}, picture, plan));
            spot = refiner.refine(data, picture.mat(), findSpot(picture.mat(), plan.shown, plan.scaleDenom, request),
                                  plan, request.generation);
        }
        EXPECT_GT(frames, move == cv::Point2d() ? 3 : 0);
        EXPECT_LE(frames, move == cv::Point2d() ? 40 : 1);
        EXPECT_NEAR(spot.centre.x, target.centre.x, 0.1);
        EXPECT_NEAR(spot.centre.y, target.centre.y, 0.1);
    }
}

// Each frame goes the way the view takes it, and what counts is what the badge then says.
TEST(SpotFinder, BadgeGivesTheTargetAndItsOffsetOnEveryPathAndNeverGuesses)
{
    enum Path { Plain, Reduced, Zoomed };
    const cv::Size size(1600, 1200);
    const cv::Point2d centre(800, 600);   // the overlay's, and circle 1's
    const struct {
        std::vector<AlignmentTarget> targets;
        cv::Rect square;   // a bright square instead, drawn here: its centre is on a pixel corner
        Path path;
        bool grain;
        std::optional<double> scale;
        const char *expected;   // "found", or the badge's text
    } cases[] = {
        {{{false, {812.4, 596.9}}}, {}, Plain, true, {}, "found"},
        {{{false, {731.3, 688.6}}}, {}, Reduced, true, 0.5, "found"},
        {{{true, {905.7, 541.2}}}, {}, Zoomed, true, 2.0, "found"},
        {{{true, {760.5, 650.1}}}, {}, Plain, true, 1.5, "found"},
        // Centred under the overlay's centre as drawn: no offset, not half a pixel.
        {{}, {796, 596, 8, 8}, Reduced, true, {}, "Spot 800.0, 600.0 · Δ +0.0, +0.0 px"},
        {{{false, {700.2, 600.0}}, {false, {900.8, 600.0}}}, {}, Reduced, true, {}, "Spot --"},
        {{}, {}, Reduced, true, 0.5, "Spot --"},
        {{}, {}, Plain, false, {}, "Spot --"},
    };
    FocusRequest request{true, true, centre, 300.0, 1};
    for (const auto &c : cases) {
        const auto encode = [&](const std::vector<AlignmentTarget> &targets) {
            cv::Mat picture(size, CV_8UC3, cv::Scalar(34, 28, 24));
            for (const AlignmentTarget &target : targets)
                drawAlignmentTarget(picture, target);
            if (!c.square.empty())
                picture(c.square) += cv::Scalar::all(200);
            if (c.grain)
                SensorNoise::camera().apply(picture, 3);
            return encodePicture(picture, JpegSampling::Yuv422, cameraJpegQuality);
        };
        const std::vector<uint8_t> jpeg = encode(c.targets);
        const std::string row = std::to_string(&c - cases);
        std::vector<AlignmentTarget> targets = c.targets;
        SpotReading spot;
        if (c.path == Plain) {
            // What a capture backend hands over, cropped to the zoom as the window does.
            MjpegDecoder decoder;
            FrameBuffer frame;
            DecodePlan plan;
            ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), ViewRequest(), frame, plan));
            const cv::Rect shown = zoomCropRect(size, 1.6, {-120, 90});
            spot = findSpot(frame.mat()(shown), shown, 1, request);
        } else {
            DecodePool pool(1);
            pool.setViewRequest(c.path == Reduced ? ViewRequest{1.0, {}, {400, 300}} : ViewRequest{2.0, {150, -40}, {800, 600}});
            pool.setFocusRequest(request);
            std::vector<std::vector<uint8_t>> frames{jpeg};
            // At a reduced scale a small move is followed on the picture, from the last
            // measurement on the camera's own pixels.
            if (c.path == Reduced && targets.size() == 1) {
                targets.front().centre += cv::Point2d(0.2, -0.1);
                frames.push_back(encode(targets));
            }
            DecodedFrame frame;
            for (const std::vector<uint8_t> &data : frames) {
                pool.submit(cv::Mat(1, int(data.size()), CV_8UC1, const_cast<uint8_t *>(data.data())).clone());
                ASSERT_TRUE(pool.waitIdle(10s));
                ASSERT_TRUE(pool.takeNewest(frame));
            }
            ASSERT_EQ(frame.plan.scaleDenom, c.path == Reduced ? 4 : 1) << row;
            spot = frame.focus.spot;
        }
        const QString text = spotBadgeText(spotBadgeFor(spot.found, QPointF(spot.centre.x, spot.centre.y),
                                                        QPointF(centre.x, centre.y), c.scale));
        if (std::string(c.expected) != "found") {
            EXPECT_EQ(text.toStdString(), c.expected) << row;
            continue;
        }
        const AlignmentTarget &target = targets.front();
        EXPECT_EQ(spot.kind == SpotKind::Ring, target.ring) << row;
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral(
            "^Spot (\\S+), (\\S+) · Δ (\\S+), (\\S+) px(?: · Δ (\\S+), (\\S+) µm)?$")).match(
            QString(text).replace(QChar(0x2212), QLatin1Char('-')));
        ASSERT_TRUE(m.hasMatch()) << row << ": " << text.toStdString();
        const cv::Point2d delta = target.centre - centre;
        const double shown[] = {target.centre.x, target.centre.y, delta.x, delta.y,
                                delta.x * c.scale.value_or(0), delta.y * c.scale.value_or(0)};
        EXPECT_EQ(m.hasCaptured(5), c.scale.has_value()) << row << ": " << text.toStdString();
        for (int i = 0; i < (c.scale ? 6 : 4); ++i)
            EXPECT_NEAR(m.captured(i + 1).toDouble(), shown[i], 0.15 * (i < 4 ? 1 : *c.scale) + 0.05)
                << row << ": " << text.toStdString();
    }
}
