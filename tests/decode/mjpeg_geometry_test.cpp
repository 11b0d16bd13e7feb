#include "decode/mjpeg_geometry.h"

#include <gtest/gtest.h>
#include <opencv2/core.hpp>

namespace {

JpegFrameInfo frame(int width, int height, int mcuWidth = 16)
{
    JpegFrameInfo info;
    info.size = cv::Size(width, height);
    info.mcuWidth = mcuWidth;
    return info;
}

ViewRequest unzoomed(int areaWidth, int areaHeight)
{
    ViewRequest view;
    view.viewArea = cv::Size(areaWidth, areaHeight);
    return view;
}

} // namespace

TEST(DecodePlan, UnzoomedPicksTheCoarsestScaleThatStillFillsTheDrawnPicture)
{
    struct Case {
        cv::Size frame;
        cv::Size area;
        int scale;
        cv::Size output;
    };
    const Case cases[] = {
        {{4000, 3000}, {1228, 708}, 4, {1000, 750}},   // drawn 944 x 708
        {{4000, 3000}, {1000, 750}, 4, {1000, 750}},   // exact fit
        {{4000, 3000}, {1001, 2000}, 2, {2000, 1500}}, // width-limited, one pixel too wide for 1/4
        {{4000, 3000}, {500, 375}, 8, {500, 375}},
        {{4000, 3000}, {2001, 1501}, 1, {4000, 3000}},
        {{4000, 3000}, {300, 100}, 8, {500, 375}},
        {{3840, 2160}, {1921, 1080}, 2, {1920, 1080}}, // height-limited
        {{3840, 2160}, {2560, 1440}, 1, {3840, 2160}},
        {{3264, 2448}, {408, 306}, 8, {408, 306}},
        {{3263, 2447}, {408, 306}, 8, {408, 306}},     // libjpeg rounds scaled sides up
        {{4000, 3000}, {0, 0}, 1, {4000, 3000}},       // view not laid out yet
        {{4000, 3000}, {-5, 700}, 1, {4000, 3000}},
    };
    for (const Case &c : cases) {
        const DecodePlan plan = planDecode(frame(c.frame.width, c.frame.height),
                                           unzoomed(c.area.width, c.area.height));
        EXPECT_EQ(plan.scaleDenom, c.scale) << c.frame << " in " << c.area;
        EXPECT_EQ(plan.outputSize, c.output) << c.frame << " in " << c.area;
        EXPECT_EQ(plan.shown, cv::Rect(cv::Point(), c.frame));
        EXPECT_EQ(plan.decoded, plan.shown);
    }
}

TEST(DecodePlan, ZoomedDecodesTheCropAtFullScaleWidenedToAnMcuColumn)
{
    struct Case {
        cv::Size frame;
        int mcu;
        double zoom;
        cv::Point2d offset;
        cv::Rect decoded;
        int columnOffset;
    };
    const Case cases[] = {
        {{4000, 3000}, 16, 2.0, {0, 0}, {992, 750, 2008, 1500}, 8},
        {{4000, 3000}, 8, 2.0, {0, 0}, {1000, 750, 2000, 1500}, 0},
        {{4000, 3000}, 16, 8.0, {1e6, 1e6}, {3488, 2626, 512, 374}, 12},
        {{4000, 3000}, 16, 8.0, {-1e6, -1e6}, {0, 0, 500, 374}, 0},
        {{3840, 2160}, 16, 2.0, {0, 0}, {960, 540, 1920, 1080}, 0},
        {{3840, 2160}, 32, 2.0, {0, 0}, {960, 540, 1920, 1080}, 0},
        {{3840, 2160}, 32, 2.0, {-17, 0}, {928, 540, 1935, 1080}, 15},
    };
    for (const Case &c : cases) {
        ViewRequest view = unzoomed(1228, 708);
        view.zoom = c.zoom;
        view.offset = c.offset;
        const DecodePlan plan = planDecode(frame(c.frame.width, c.frame.height, c.mcu), view);
        EXPECT_EQ(plan.scaleDenom, 1);
        EXPECT_EQ(plan.shown, zoomCropRect(c.frame, c.zoom, c.offset));
        EXPECT_EQ(plan.outputSize, plan.shown.size());
        EXPECT_EQ(plan.decoded, c.decoded) << c.frame << " zoom " << c.zoom;
        EXPECT_EQ(plan.columnOffset(), c.columnOffset);
    }

    // Everywhere the pan can go: aligned, inside the frame, covering the crop exactly.
    for (double zoom : {1.02, 1.5, 2.0, 3.3, 8.0}) {
        for (double pan = -2500; pan <= 2500; pan += 37.5) {
            ViewRequest view = unzoomed(1228, 708);
            view.zoom = zoom;
            view.offset = cv::Point2d(pan, -pan);
            const DecodePlan plan = planDecode(frame(4000, 3000, 16), view);
            EXPECT_EQ(plan.decoded.x % 16, 0);
            EXPECT_LT(plan.columnOffset(), 16);
            EXPECT_EQ(plan.decoded.br(), plan.shown.br());
            EXPECT_EQ(plan.decoded.y, plan.shown.y);
            EXPECT_TRUE((plan.decoded & cv::Rect(0, 0, 4000, 3000)) == plan.decoded);
        }
    }
}
