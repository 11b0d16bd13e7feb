#include "decode/mjpeg_geometry.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

namespace {

JpegFrameInfo frame(cv::Size size, int mcuWidth = 16)
{
    JpegFrameInfo info;
    info.size = size;
    info.mcuWidth = mcuWidth;
    return info;
}

} // namespace

TEST(DecodePlan, UnzoomedPicksTheCoarsestScaleThatStillFillsTheDrawnPicture)
{
    const struct {
        cv::Size frame;
        cv::Size area;
        int scale;
        cv::Size output;
    } cases[] = {
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
        const DecodePlan plan = planDecode(frame(c.frame), ViewRequest{1.0, {}, c.area});
        EXPECT_EQ(plan.scaleDenom, c.scale) << c.frame << " in " << c.area;
        EXPECT_EQ(plan.outputSize, c.output) << c.frame << " in " << c.area;
        EXPECT_EQ(plan.shown, cv::Rect(cv::Point(), c.frame));
        EXPECT_EQ(plan.decoded, plan.shown);
    }
}

TEST(DecodePlan, ZoomedDecodesTheCropAtFullScaleFromAnMcuColumnInsideTheFrame)
{
    for (const int mcu : {8, 16, 32}) {
        for (double zoom : {1.02, 1.5, 2.0, 3.3, 8.0}) {
            for (double pan = -2500; pan <= 2500; pan += 37.5) {
                const cv::Point2d offset(pan, -pan);
                const DecodePlan plan = planDecode(frame({3840, 2160}, mcu), ViewRequest{zoom, offset, {1228, 708}});
                EXPECT_EQ(plan.scaleDenom, 1);
                EXPECT_EQ(plan.shown, zoomCropRect({3840, 2160}, zoom, offset));
                EXPECT_EQ(plan.outputSize, plan.shown.size());
                EXPECT_EQ(plan.decoded.x % mcu, 0);
                EXPECT_TRUE(plan.columnOffset() >= 0 && plan.columnOffset() < mcu);
                EXPECT_EQ(plan.decoded.br(), plan.shown.br());
                EXPECT_EQ(plan.decoded.y, plan.shown.y);
                EXPECT_TRUE((plan.decoded & cv::Rect(0, 0, 3840, 2160)) == plan.decoded);
            }
        }
    }
}
