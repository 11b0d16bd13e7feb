#include "decode/mjpeg_decoder.h"
#include "test_pictures.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdlib>

namespace {

cv::Vec3b pixel(const FrameBuffer &buffer, int x, int y)
{
    const uint8_t *p = buffer.data() + std::size_t(y) * buffer.stride() + std::size_t(x) * 3;
    return cv::Vec3b(p[0], p[1], p[2]);
}

int difference(cv::Vec3b a, cv::Vec3b b)
{
    return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

} // namespace

TEST(MjpegDecoder, ScaledDecodesShowTheBlockEachPixelStandsFor)
{
    // Waves long enough that the half-resolution chroma of a 1/8 decode still follows them.
    const cv::Mat picture = texturedPicture({1001, 757}, 6.0);
    MjpegDecoder decoder;
    FrameBuffer buffer;
    for (JpegSampling sampling : {JpegSampling::Yuv422, JpegSampling::Yuv420, JpegSampling::Yuv444}) {
        const std::vector<uint8_t> jpeg = encodePicture(picture, sampling);
        for (const auto &[area, scale] : {std::pair{cv::Size(), 1}, {cv::Size(500, 900), 2},
                                          {cv::Size(250, 400), 4}, {cv::Size(100, 100), 8}}) {
            DecodePlan plan;
            ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), ViewRequest{1.0, {}, area}, buffer, plan))
                << decoder.lastError();
            ASSERT_EQ(plan.scaleDenom, scale);
            ASSERT_EQ(buffer.size(), scaledSize({1001, 757}, scale));
            // A shift by one output pixel would be off by 20 and more.
            const int tolerance = scale == 8 ? 12 : 8;
            for (const cv::Point at : {cv::Point(0, 0), cv::Point(17, 40), cv::Point(60, 33),
                                       cv::Point(buffer.size().width - 1, buffer.size().height - 1)}) {
                const cv::Rect block = cv::Rect(at * scale, cv::Size(scale, scale)) & cv::Rect({}, picture.size());
                const cv::Scalar mean = cv::mean(picture(block));
                const cv::Vec3b expected(uchar(mean[0] + 0.5), uchar(mean[1] + 0.5), uchar(mean[2] + 0.5));
                EXPECT_LE(difference(pixel(buffer, at.x, at.y), expected), tolerance) << "scale " << scale << " at " << at;
            }
        }
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

TEST(MjpegDecoder, BrokenFramesFailAndTheDecoderCarriesOn)
{
    const std::vector<uint8_t> good = encodePicture(texturedPicture({640, 480}), JpegSampling::Yuv422);
    std::vector<std::vector<uint8_t>> broken = {
        {},                                                   // zero length
        {good.begin(), good.begin() + 2},                     // SOI only
        {good.begin(), good.begin() + long(good.size() / 2)}, // truncated
        {good.begin(), good.end() - 2},                       // EOI missing
        good, good, std::vector<uint8_t>(5000)};
    for (std::size_t i = broken[4].size() / 3; i < broken[4].size() / 3 + 64; ++i)
        broken[4][i] = uint8_t(i % 3 == 0 ? 0xFF : i * 7);
    for (std::size_t i = 2; i + 8 < good.size(); ++i) {
        if (good[i] == 0xFF && good[i + 1] == 0xC0) {  // frame header: height, width at +5
            std::fill_n(broken[5].begin() + long(i) + 5, 4, uint8_t(0xFF));
            break;
        }
    }
    for (std::size_t i = 0; i < broken[6].size(); ++i)
        broken[6][i] = uint8_t(i * 131 + 7);

    MjpegDecoder decoder;
    FrameBuffer buffer;
    for (std::size_t i = 0; i < broken.size(); ++i) {
        for (double zoom : {1.0, 4.0}) {
            // A crop reads only as far as its own rows: a missing end marker cannot harm it.
            if (i == 3 && zoom > 1)
                continue;
            DecodePlan plan;
            EXPECT_FALSE(decoder.decode(broken[i].data(), broken[i].size(), ViewRequest{zoom, {}, {400, 300}}, buffer, plan))
                << "frame " << i << " zoom " << zoom;
            EXPECT_FALSE(decoder.lastError().empty());
            ASSERT_TRUE(decoder.decode(good.data(), good.size(), ViewRequest{zoom, {}, {}}, buffer, plan))
                << "after frame " << i << ": " << decoder.lastError();
        }
    }
    EXPECT_LE(buffer.allocationCount(), 2);
}
