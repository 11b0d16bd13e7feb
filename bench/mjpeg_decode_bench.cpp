// Decode times of one camera-sized JPEG at every scale and crop the view asks for, with a
// fresh and with a recycled output buffer, and the pool's throughput at 1/4 scale. With
// --spot: the spot finder's error and cost on 12 MP frames, and its false reports.

#include "camera/demo/demo_pattern.h"
#include "camera/demo/mjpeg_encoder.h"
#include "decode/decode_pool.h"
#include "decode/mjpeg_decoder.h"
#include "decode/spot_finder.h"

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

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::vector<uint8_t> compress(const cv::Mat &picture)
{
    return encodeJpeg(picture.ptr<uint8_t>(), picture.size(), int(picture.step[0]), cameraJpegQuality, JpegSampling::Yuv422);
}

// What the live view does with one frame at 12 MP 1x: the compressed path decodes at 1/4, measures
// the centre and corners, finds the spot and refines it on a full-scale crop; the plain path
// measures the whole decoded frame.
struct SpotRun {
    SpotReading spot;
    double focusMs = 0;    // centre and corner zones
    double findMs = 0;     // the spot on the view's picture
    double refineMs = 0;   // the full-scale crop's decode and the centroid on it
};

SpotRun measureCompressed(MjpegDecoder &decoder, const std::vector<uint8_t> &jpeg, const FocusRequest &request,
                          FrameBuffer &picture, FrameBuffer &crop)
{
    SpotRun run;
    DecodePlan plan;
    ViewRequest view;
    view.viewArea = cv::Size(1000, 750);
    decoder.decode(jpeg.data(), jpeg.size(), view, picture, plan);
    Clock::time_point start = Clock::now();
    measureFocus(picture.mat(), plan.shown, plan.scaleDenom, request);
    run.focusMs = msSince(start);
    start = Clock::now();
    run.spot = findSpot(picture.mat(), plan.shown, plan.scaleDenom, request);
    run.findMs = msSince(start);
    if (run.spot.found) {
        start = Clock::now();
        DecodePlan region;
        if (decoder.decodeRegion(jpeg.data(), jpeg.size(), spotRefineWindow(run.spot, plan.frameSize), crop, region))
            run.spot = refineSpot(crop.mat(), region.shown.tl(), run.spot);
        run.refineMs = msSince(start);
    }
    return run;
}

SpotRun measurePlain(MjpegDecoder &decoder, const std::vector<uint8_t> &jpeg, const FocusRequest &request,
                     FrameBuffer &frame)
{
    SpotRun run;
    DecodePlan plan;
    decoder.decode(jpeg.data(), jpeg.size(), ViewRequest(), frame, plan);
    Clock::time_point start = Clock::now();
    measureFocus(frame.mat(), plan.shown, 1, request);
    run.focusMs = msSince(start);
    start = Clock::now();
    run.spot = findSpot(frame.mat(), plan.shown, 1, request);
    run.findMs = msSince(start);
    return run;
}

void spotBenchmark(int positions, int falseFrames)
{
    const cv::Size size(4000, 3000);
    cv::Mat base;
    renderCalibrationTarget(base, size.width, size.height, QStringLiteral("bench"));
    clearAlignmentArea(base);
    const cv::Point2d middle(size.width / 2.0, size.height / 2.0);
    // Circle 1 of 300 px on the centre code, as the panel starts; and the central disc.
    const FocusRequest circle{true, true, middle, 300.0, 1};
    const FocusRequest disc{true, false, {}, 0.0, 1};
    MjpegDecoder decoder;
    FrameBuffer picture, crop, full;
    cv::RNG rng(0x5907);

    std::printf("\nSpot finder, 4000x3000, grain, JPEG quality %d 4:2:2, %d positions each; errors in px, "
                "times in ms (median / p95)\n", cameraJpegQuality, positions);
    std::printf("%-5s %-12s %-7s %6s %8s %8s %15s %15s %15s %15s\n", "kind", "path", "region", "found", "RMS",
                "max", "focus+zones", "find", "refine", "all");
    for (bool ring : {false, true}) {
        for (const FocusRequest &request : {circle, disc}) {
            std::vector<double> errorsCompressed, errorsPlain;
            std::vector<double> focus[2], find[2], refine[2], all[2];
            for (int i = 0; i < positions; ++i) {
                const AlignmentTarget target{ring, middle + cv::Point2d(rng.uniform(-150.0, 150.0), rng.uniform(-150.0, 150.0))};
                cv::Mat frame = base.clone();
                drawAlignmentTarget(frame, target);
                SensorNoise::camera().apply(frame, i);
                const std::vector<uint8_t> jpeg = compress(frame);
                const SpotRun runs[2] = {measureCompressed(decoder, jpeg, request, picture, crop),
                                         measurePlain(decoder, jpeg, request, full)};
                for (int p = 0; p < 2; ++p) {
                    if (runs[p].spot.found && (runs[p].spot.kind == SpotKind::Ring) == ring) {
                        const cv::Point2d e = runs[p].spot.centre - target.centre;
                        (p == 0 ? errorsCompressed : errorsPlain).push_back(std::hypot(e.x, e.y));
                    }
                    focus[p].push_back(runs[p].focusMs);
                    find[p].push_back(runs[p].findMs);
                    refine[p].push_back(runs[p].refineMs);
                    all[p].push_back(runs[p].focusMs + runs[p].findMs + runs[p].refineMs);
                }
            }
            for (int p = 0; p < 2; ++p) {
                const std::vector<double> &errors = p == 0 ? errorsCompressed : errorsPlain;
                double squares = 0, worst = 0;
                for (double e : errors) {
                    squares += e * e;
                    worst = std::max(worst, e);
                }
                const Timing f = summarise(focus[p]), g = summarise(find[p]), r = summarise(refine[p]), a = summarise(all[p]);
                std::printf("%-5s %-12s %-7s %3zu/%-3d %8.3f %8.3f %6.2f / %-6.2f %6.2f / %-6.2f %6.2f / %-6.2f %6.2f / %-6.2f\n",
                            ring ? "ring" : "spot", p == 0 ? "compressed" : "plain",
                            request.insideCircle ? "circle" : "disc", errors.size(), positions,
                            errors.empty() ? 0.0 : std::sqrt(squares / errors.size()), worst, f.median, f.p95,
                            g.median, g.p95, r.median, r.p95, a.median, a.p95);
            }
        }
    }

    std::printf("\nFalse reports in %d frames each (compressed path at 1/4 with refinement, and plain)\n", falseFrames);
    const char *kinds[] = {"flat field with grain", "two equal spots", "pure noise (sigma 25)"};
    for (int kind = 0; kind < 3; ++kind) {
        int reported[2] = {0, 0};
        for (int i = 0; i < falseFrames; ++i) {
            cv::Mat frame;
            if (kind == 2) {
                frame.create(size, CV_8UC3);
                cv::randn(frame, cv::Scalar::all(128), cv::Scalar::all(25));
            } else {
                frame = base.clone();
                if (kind == 1) {
                    const cv::Point2d a = middle + cv::Point2d(rng.uniform(-150.0, -60.0), rng.uniform(-150.0, 150.0));
                    const cv::Point2d b = middle + cv::Point2d(rng.uniform(60.0, 150.0), rng.uniform(-150.0, 150.0));
                    drawAlignmentTarget(frame, {false, a});
                    drawAlignmentTarget(frame, {false, b});
                }
                SensorNoise::camera().apply(frame, i);
            }
            const std::vector<uint8_t> jpeg = compress(frame);
            const FocusRequest &request = i % 2 ? disc : circle;
            reported[0] += measureCompressed(decoder, jpeg, request, picture, crop).spot.found;
            reported[1] += measurePlain(decoder, jpeg, request, full).spot.found;
        }
        std::printf("%-24s compressed %d, plain %d\n", kinds[kind], reported[0], reported[1]);
    }
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
    int positions = 0;
    int falseFrames = 1000;
    bool decodeTables = true;
    for (int i = 1; i < argc; ++i) {
        const bool value = i + 1 < argc;
        if (value && std::strcmp(argv[i], "--iterations") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (value && std::strcmp(argv[i], "--spot") == 0)
            positions = std::max(1, std::atoi(argv[i + 1]));
        else if (value && std::strcmp(argv[i], "--false-frames") == 0)
            falseFrames = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--spot-only") == 0)
            decodeTables = false;
    }
    if (!decodeTables) {
        spotBenchmark(std::max(1, positions), falseFrames);
        return 0;
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
    if (positions > 0)
        spotBenchmark(positions, falseFrames);
    return 0;
}
