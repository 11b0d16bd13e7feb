// Decode times of one camera-sized JPEG at every scale and crop the view asks for, with a
// fresh and with a recycled output buffer, and the pool's throughput at 1/4 scale.

#include "camera/demo/demo_pattern.h"
#include "camera/demo/mjpeg_encoder.h"
#include "decode/decode_pool.h"
#include "decode/mjpeg_decoder.h"

#include <QGuiApplication>

#include <opencv2/core.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The demo camera's frame: the calibration target with a sensor's grain, compressed like a
// camera's 4:2:2 MJPG stream (about 1.9 MB at 12 MP).
std::vector<uint8_t> cameraLikeJpeg(cv::Size size)
{
    cv::Mat picture;
    renderCalibrationTarget(picture, size.width, size.height, QStringLiteral("bench"));
    SensorNoise::camera().apply(picture, 0);
    return encodeJpeg(picture.ptr<uint8_t>(), size, int(picture.step[0]), cameraJpegQuality, JpegSampling::Yuv422);
}

struct Timing {
    double median = 0;
    double p95 = 0;
};

Timing summarise(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    Timing t;
    t.median = ms[ms.size() / 2];
    t.p95 = ms[std::min(ms.size() - 1, std::size_t(std::ceil(ms.size() * 0.95)) - 1)];
    return t;
}

Timing timeDecodes(MjpegDecoder &decoder, const std::vector<uint8_t> &jpeg,
                   const ViewRequest &view, bool recycled, int runs)
{
    std::vector<double> ms;
    FrameBuffer kept;
    DecodePlan plan;
    decoder.decode(jpeg.data(), jpeg.size(), view, kept, plan);
    for (int i = 0; i < runs; ++i) {
        FrameBuffer fresh;
        FrameBuffer &target = recycled ? kept : fresh;
        const Clock::time_point start = Clock::now();
        if (!decoder.decode(jpeg.data(), jpeg.size(), view, target, plan)) {
            std::fprintf(stderr, "decode failed: %s\n", decoder.lastError().c_str());
            return Timing();
        }
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return summarise(ms);
}

double poolFramesPerSecond(const std::vector<uint8_t> &jpeg, cv::Size frame, int workers,
                           DecodePool::Stats &stats)
{
    DecodePool pool(workers, 1);
    ViewRequest view;
    view.viewArea = cv::Size(frame.width / 4, frame.height / 4);
    pool.setViewRequest(view);
    const cv::Mat compressed(1, int(jpeg.size()), CV_8UC1, const_cast<uint8_t *>(jpeg.data()));
    DecodedFrame shown;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::seconds(3);
    // Keep the queue full, as a camera faster than the decoder would.
    while (Clock::now() < end) {
        pool.submit(compressed);
        pool.takeNewest(shown);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    pool.waitIdle(std::chrono::seconds(5));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    stats = pool.stats();
    return double(stats.decoded) / seconds;
}

} // namespace

int main(int argc, char **argv)
{
    // The target's labels need a font, and so a GUI application, even without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const cv::Size sizes[] = {{4000, 3000}, {3840, 2160}, {3264, 2448}};
    int runs = 21;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--iterations") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    MjpegDecoder decoder;
    std::printf("%-10s %-12s %-14s %20s %20s\n", "frame", "decode", "output",
                "fresh median/p95 ms", "recycled median/p95");
    for (const cv::Size size : sizes) {
        const std::vector<uint8_t> jpeg = cameraLikeJpeg(size);
        std::printf("%dx%d: %zu bytes compressed\n", size.width, size.height, jpeg.size());
        struct Mode {
            const char *name;
            ViewRequest view;
        };
        std::vector<Mode> modes;
        for (int denom : {1, 2, 4, 8}) {
            Mode mode{denom == 1 ? "full" : denom == 2 ? "1/2" : denom == 4 ? "1/4" : "1/8", {}};
            if (denom > 1)
                mode.view.viewArea = scaledSize(size, denom);
            modes.push_back(mode);
        }
        for (double zoom : {2.0, 8.0}) {
            Mode mode{zoom == 2.0 ? "zoom-2 crop" : "zoom-8 crop", {}};
            mode.view.zoom = zoom;
            mode.view.offset = cv::Point2d(size.width / 7.0, -size.height / 9.0);
            mode.view.viewArea = cv::Size(1228, 708);
            modes.push_back(mode);
        }
        for (const Mode &mode : modes) {
            JpegFrameInfo info;
            decoder.readInfo(jpeg.data(), jpeg.size(), info);
            const DecodePlan plan = planDecode(info, mode.view);
            const Timing fresh = timeDecodes(decoder, jpeg, mode.view, false, runs);
            const Timing recycled = timeDecodes(decoder, jpeg, mode.view, true, runs);
            char output[32];
            std::snprintf(output, sizeof output, "%dx%d", plan.outputSize.width, plan.outputSize.height);
            std::printf("%-10s %-12s %-14s %9.1f / %-8.1f %9.1f / %-8.1f\n",
                        (std::to_string(size.width) + "x" + std::to_string(size.height)).c_str(),
                        mode.name, output, fresh.median, fresh.p95, recycled.median, recycled.p95);
        }
        DecodePool::Stats stats;
        const double fps = poolFramesPerSecond(jpeg, size, 2, stats);
        std::printf("%-10s pool, 2 workers, 1/4 scale: %.1f frames/s (%llu decoded, %llu dropped, "
                    "%d buffer allocations)\n",
                    (std::to_string(size.width) + "x" + std::to_string(size.height)).c_str(), fps,
                    static_cast<unsigned long long>(stats.decoded),
                    static_cast<unsigned long long>(stats.dropped), stats.bufferAllocations);
    }
    return 0;
}
