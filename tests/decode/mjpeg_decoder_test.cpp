#include "decode/mjpeg_decoder.h"
#include "test_pictures.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

#include <cstdlib>

namespace {

cv::Vec3b pixel(const FrameBuffer &buffer, int x, int y)
{
    const uint8_t *p = buffer.data() + std::size_t(y) * buffer.stride() + std::size_t(x) * 3;
    return cv::Vec3b(p[0], p[1], p[2]);
}

int difference(cv::Vec3b a, cv::Vec3b b)
{
    int worst = 0;
    for (int c = 0; c < 3; ++c)
        worst = std::max(worst, std::abs(int(a[c]) - int(b[c])));
    return worst;
}

// Mean of the source block a scaled output pixel stands for.
cv::Vec3b blockMean(const cv::Mat &source, int x, int y, int scale)
{
    const cv::Rect block = cv::Rect(x * scale, y * scale, scale, scale)
                           & cv::Rect(cv::Point(), source.size());
    const cv::Scalar mean = cv::mean(source(block));
    return cv::Vec3b(uchar(mean[0] + 0.5), uchar(mean[1] + 0.5), uchar(mean[2] + 0.5));
}

ViewRequest viewOf(double zoom, cv::Point2d offset, cv::Size area)
{
    ViewRequest view;
    view.zoom = zoom;
    view.offset = offset;
    view.viewArea = area;
    return view;
}

} // namespace

TEST(MjpegDecoder, HeaderGivesSizeAndCropAlignment)
{
    const cv::Mat picture = texturedPicture({333, 211});
    MjpegDecoder decoder;
    const std::pair<JpegSampling, int> cases[] = {
        {JpegSampling::Yuv444, 8}, {JpegSampling::Yuv422, 16},
        {JpegSampling::Yuv420, 16}, {JpegSampling::Gray, 8}};
    for (const auto &[sampling, mcu] : cases) {
        const std::vector<uint8_t> jpeg = encodePicture(picture, sampling);
        JpegFrameInfo info;
        ASSERT_TRUE(decoder.readInfo(jpeg.data(), jpeg.size(), info));
        EXPECT_EQ(info.size, cv::Size(333, 211));
        EXPECT_EQ(info.mcuWidth, mcu);
    }
}

TEST(MjpegDecoder, FullAndScaledDecodesShowThePicture)
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
            ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), viewOf(1.0, {}, area), buffer, plan))
                << decoder.lastError();
            ASSERT_EQ(plan.scaleDenom, scale);
            ASSERT_EQ(buffer.size(), scaledSize({1001, 757}, scale));
            ASSERT_EQ(buffer.size(), plan.outputSize);
            // Compare with the block each pixel stands for: a shift by one output pixel
            // would be off by 20 and more.
            const int tolerance = scale == 8 ? 12 : 8;
            for (const cv::Point at : {cv::Point(0, 0), cv::Point(17, 40), cv::Point(60, 33),
                                       cv::Point(buffer.size().width - 1, buffer.size().height - 1),
                                       cv::Point(buffer.size().width / 2, buffer.size().height / 3)}) {
                EXPECT_LE(difference(pixel(buffer, at.x, at.y), blockMean(picture, at.x, at.y, scale)),
                          tolerance) << "scale " << scale << " at " << at;
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
    for (JpegSampling sampling : {JpegSampling::Yuv422, JpegSampling::Yuv420,
                                  JpegSampling::Yuv444, JpegSampling::Gray}) {
        const std::vector<uint8_t> jpeg = encodePicture(picture, sampling);
        DecodePlan fullPlan;
        ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), ViewRequest(), full, fullPlan));
        for (const auto &[zoom, offset] : {std::pair{2.0, cv::Point2d()}, {2.0, {-1e4, 1e4}},
                                           {8.0, {1e4, -1e4}}, {8.0, {123.7, -45.2}},
                                           {1.3, {3, 5}}}) {
            DecodePlan plan;
            ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), viewOf(zoom, offset, {800, 600}),
                                       crop, plan)) << decoder.lastError();
            ASSERT_EQ(plan.shown, zoomCropRect({1283, 963}, zoom, offset));
            ASSERT_EQ(crop.size(), plan.shown.size());
            double total = 0;
            int worst = 0;
            for (int y = 0; y < crop.size().height; ++y) {
                for (int x = 0; x < crop.size().width; ++x) {
                    const int d = difference(pixel(crop, x, y),
                                             pixel(full, plan.shown.x + x, plan.shown.y + y));
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

TEST(MjpegDecoder, GrayFramesComeOutAsBgr)
{
    const std::vector<uint8_t> jpeg = encodePicture(flatPicture({64, 48}, {40, 90, 200}),
                                                    JpegSampling::Gray);
    MjpegDecoder decoder;
    FrameBuffer buffer;
    DecodePlan plan;
    ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), ViewRequest(), buffer, plan));
    const cv::Vec3b p = pixel(buffer, 30, 20);
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
}

TEST(MjpegDecoder, BrokenFramesFailAndTheDecoderCarriesOn)
{
    const cv::Mat picture = texturedPicture({640, 480});
    const std::vector<uint8_t> good = encodePicture(picture, JpegSampling::Yuv422);

    std::vector<std::vector<uint8_t>> broken;
    broken.emplace_back();                                            // zero length
    broken.emplace_back(good.begin(), good.begin() + 2);              // SOI only
    broken.emplace_back(good.begin(), good.begin() + good.size() / 2); // truncated
    broken.emplace_back(good.begin(), good.end() - 2);                // EOI missing
    std::vector<uint8_t> garbage(5000);
    for (std::size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = uint8_t(i * 131 + 7);
    broken.push_back(garbage);
    std::vector<uint8_t> corrupted = good;
    for (std::size_t i = corrupted.size() / 3; i < corrupted.size() / 3 + 64; ++i)
        corrupted[i] = uint8_t(i % 3 == 0 ? 0xFF : i * 7);
    broken.push_back(corrupted);
    std::vector<uint8_t> huge = good;
    for (std::size_t i = 2; i + 8 < huge.size(); ++i) {
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {  // frame header: height, width at +5
            huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xFF;
            break;
        }
    }
    broken.push_back(huge);

    MjpegDecoder decoder;
    FrameBuffer buffer;
    for (std::size_t i = 0; i < broken.size(); ++i) {
        for (double zoom : {1.0, 4.0}) {
            // A crop reads only as far as its own rows: a missing end marker cannot harm it.
            if (i == 3 && zoom > 1)
                continue;
            DecodePlan plan;
            EXPECT_FALSE(decoder.decode(broken[i].data(), broken[i].size(),
                                        viewOf(zoom, {}, {400, 300}), buffer, plan))
                << "frame " << i << " zoom " << zoom;
            EXPECT_FALSE(decoder.lastError().empty());
            DecodePlan goodPlan;
            ASSERT_TRUE(decoder.decode(good.data(), good.size(), viewOf(zoom, {}, {}), buffer, goodPlan))
                << "after frame " << i << ": " << decoder.lastError();
        }
    }
    EXPECT_LE(buffer.allocationCount(), 2);
}

TEST(MjpegDecoder, SizeChangesMidStreamReuseTheBufferWhenItFits)
{
    MjpegDecoder decoder;
    FrameBuffer buffer;
    const struct {
        cv::Size size;
        cv::Vec3b colour;
        int allocations;
    } stream[] = {
        {{640, 480}, {10, 200, 30}, 1},
        {{1280, 960}, {200, 20, 90}, 2},
        {{320, 240}, {90, 90, 250}, 2},
        {{1280, 960}, {30, 60, 120}, 2},
    };
    for (const auto &frame : stream) {
        const std::vector<uint8_t> jpeg = encodePicture(flatPicture(frame.size, frame.colour),
                                                        JpegSampling::Yuv420);
        DecodePlan plan;
        ASSERT_TRUE(decoder.decode(jpeg.data(), jpeg.size(), viewOf(2.0, {}, {}), buffer, plan));
        EXPECT_EQ(plan.frameSize, frame.size);
        EXPECT_EQ(buffer.size(), zoomCropRect(frame.size, 2.0, {}).size());
        EXPECT_LE(difference(pixel(buffer, 5, 5), frame.colour), 4);
        EXPECT_EQ(buffer.allocationCount(), frame.allocations);
    }
}
