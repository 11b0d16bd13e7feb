// The spot finder on 12 MP frames with a camera's grain at JPEG quality 85, as the live view
// meets them at 1x: its centre error at random sub-pixel positions, its cost per frame off the
// GUI thread in CPU time, and its false reports on frames that hold no single target.

#include "camera/demo/demo_pattern.h"
#include "camera/demo/mjpeg_encoder.h"
#include "decode/mjpeg_decoder.h"
#include "decode/spot_finder.h"
#include "decode/spot_refiner.h"
#include "thread_cpu_time.h"

#include <QGuiApplication>

#include <opencv2/core.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const cv::Size frameSize(4000, 3000);
const cv::Point2d middle(frameSize.width / 2.0, frameSize.height / 2.0);

// `restartRows`: a restart marker every so many rows of MCUs, as many cameras' streams have.
std::vector<uint8_t> compress(const cv::Mat &picture, int restartRows = 0)
{
    // TurboJPEG takes its restart interval from the environment, at every call.
    qputenv("TJ_RESTART", QByteArray::number(restartRows));
    return encodeJpeg(picture.ptr<uint8_t>(), picture.size(), int(picture.step[0]), cameraJpegQuality, JpegSampling::Yuv422);
}

cv::Mat wrap(const std::vector<uint8_t> &jpeg)
{
    return cv::Mat(1, int(jpeg.size()), CV_8UC1, const_cast<uint8_t *>(jpeg.data()));
}

// CPU milliseconds of each step, one entry per frame.
struct Costs {
    std::vector<double> zones, find, refine, all;
    void add(double z, double f, double r)
    {
        zones.push_back(z);
        find.push_back(f);
        refine.push_back(r);
        all.push_back(z + f + r);
    }
};

struct Summary {
    double median = 0, p95 = 0, mean = 0, max = 0;
};

Summary summarise(std::vector<double> ms)
{
    Summary s;
    if (ms.empty())
        return s;
    std::sort(ms.begin(), ms.end());
    s.median = ms[ms.size() / 2];
    s.p95 = ms[std::min(ms.size() - 1, std::size_t(std::ceil(ms.size() * 0.95)) - 1)];
    s.max = ms.back();
    for (double v : ms)
        s.mean += v / double(ms.size());
    return s;
}

// The compressed path at 1x: the view's own decode at 1/4 (not counted), then what the decode
// pool adds: centre and corner scores, the spot, its refinement on full-scale pixels.
SpotReading compressedPath(MjpegDecoder &decoder, SpotRefiner &refiner, const std::vector<uint8_t> &jpeg,
                           const FocusRequest &request, FrameBuffer &picture, Costs &costs)
{
    DecodePlan plan;
    ViewRequest view;
    view.viewArea = cv::Size(1000, 750);
    decoder.decode(jpeg.data(), jpeg.size(), view, picture, plan);
    const double t0 = threadCpuSeconds();
    measureFocus(picture.mat(), plan.shown, plan.scaleDenom, request);
    const double t1 = threadCpuSeconds();
    SpotReading spot = findSpot(picture.mat(), plan.shown, plan.scaleDenom, request);
    const double t2 = threadCpuSeconds();
    spot = refiner.refine(wrap(jpeg), picture.mat(), spot, plan, request.generation);
    const double t3 = threadCpuSeconds();
    costs.add((t1 - t0) * 1e3, (t2 - t1) * 1e3, (t3 - t2) * 1e3);
    return spot;
}

// The plain path at 1x: the frame as a backend hands it over (its decode not counted), then
// what the focus worker does with it.
SpotReading plainPath(MjpegDecoder &decoder, const std::vector<uint8_t> &jpeg, const FocusRequest &request,
                      FrameBuffer &frame, Costs &costs)
{
    DecodePlan plan;
    decoder.decode(jpeg.data(), jpeg.size(), ViewRequest(), frame, plan);
    const double t0 = threadCpuSeconds();
    measureFocus(frame.mat(), plan.shown, 1, request);
    const double t1 = threadCpuSeconds();
    const SpotReading spot = findSpot(frame.mat(), plan.shown, 1, request);
    const double t2 = threadCpuSeconds();
    costs.add((t1 - t0) * 1e3, (t2 - t1) * 1e3, 0);
    return spot;
}

// Errors of the readings measured on full-scale pixels; the coarse ones given while the first
// measurement is made are only counted.
struct Errors {
    int found = 0, coarse = 0;
    double squares = 0, worst = 0;
    void add(const SpotReading &spot, const AlignmentTarget &target)
    {
        if (!spot.found || (spot.kind == SpotKind::Ring) != target.ring)
            return;
        if (!spot.refined) {
            ++coarse;
            return;
        }
        const cv::Point2d e = spot.centre - target.centre;
        ++found;
        squares += e.dot(e);
        worst = std::max(worst, std::hypot(e.x, e.y));
    }
    double rms() const { return found ? std::sqrt(squares / found) : 0.0; }
};

cv::Mat frameWith(const cv::Mat &base, const std::vector<AlignmentTarget> &targets, int grain)
{
    cv::Mat frame = base.clone();
    prepareAlignmentArea(frame, targets);
    for (const AlignmentTarget &target : targets)
        drawAlignmentTarget(frame, target);
    SensorNoise::camera().apply(frame, grain);
    return frame;
}

// Circle 1 of 300 px on the centre code, as the panel starts; and the central disc (750 px).
const FocusRequest circle{true, true, middle, 300.0, 1};
const FocusRequest disc{true, false, {}, 0.0, 1};

void printCosts(const char *label, const Costs &c)
{
    const Summary z = summarise(c.zones), f = summarise(c.find), r = summarise(c.refine), a = summarise(c.all);
    std::printf("%s %5.2f / %-5.2f %5.2f / %-5.2f %5.2f / %-5.2f %5.2f / %-5.2f %6.2f %6.2f\n", label, z.median,
                z.p95, f.median, f.p95, r.median, r.p95, a.median, a.p95, a.mean, a.max);
}

// The compressed path's streams: without restart markers, and with one every MCU row.
const struct {
    const char *name;
    int restartRows;
} streams[] = {{"compressed", 0}, {"restarts", 1}};

// Every position new and at random, held still until measured on full-scale pixels: the error
// of a measurement, and what each frame costs while it is made.
void accuracy(const cv::Mat &base, int positions, cv::RNG &rng)
{
    std::printf("\nCentre error at %d random positions within 150 px of the centre, each held until measured; "
                "frames per measurement; CPU ms per frame (median / p95, mean and worst of all)\n", positions);
    std::printf("%-5s %-10s %-6s %7s %6s %6s %6s %13s %13s %13s %13s %6s %6s\n", "kind", "path", "region", "found",
                "RMS", "max", "frames", "zones", "find", "refine", "all", "mean", "worst");
    MjpegDecoder decoder;
    FrameBuffer picture, full;
    const char *paths[] = {streams[0].name, streams[1].name, "plain"};
    for (bool ring : {false, true}) {
        for (const FocusRequest *request : {&circle, &disc}) {
            Errors errors[3];
            Costs costs[3];
            int frames[3] = {0, 0, positions};
            for (int i = 0; i < positions; ++i) {
                const AlignmentTarget target{ring, middle + cv::Point2d(rng.uniform(-150.0, 150.0), rng.uniform(-150.0, 150.0))};
                const cv::Mat frame = frameWith(base, {target}, i);
                for (int p = 0; p < 2; ++p) {
                    const std::vector<uint8_t> jpeg = compress(frame, streams[p].restartRows);
                    SpotRefiner fresh;
                    SpotReading spot;
                    for (int n = 0; n < 30 && fresh.windowDecodes() == 0; ++n, ++frames[p])
                        spot = compressedPath(decoder, fresh, jpeg, *request, picture, costs[p]);
                    errors[p].add(spot, target);
                }
                errors[2].add(plainPath(decoder, compress(frame), *request, full, costs[2]), target);
            }
            for (int p = 0; p < 3; ++p) {
                char label[112];
                std::snprintf(label, sizeof label, "%-5s %-10s %-6s %3d/%-3d %6.3f %6.3f %6.1f", ring ? "ring" : "spot",
                              paths[p], request == &circle ? "circle" : "disc", errors[p].found, positions,
                              errors[p].rms(), errors[p].worst, double(frames[p]) / std::max(positions, 1));
                printCosts(label, costs[p]);
            }
        }
    }
}

// Live frames through one refiner, as one decode worker sees them: a spot standing still, one
// moving a tenth of a pixel per frame (a screw being turned), and one moving 2 px per frame.
void liveSequences(const cv::Mat &base, int frames, cv::RNG &rng)
{
    std::printf("\nCompressed path, %d live frames each, circle 1: refinements done, error and CPU ms per frame\n",
                frames);
    std::printf("%-10s %-10s %-6s %11s %6s %6s %6s %13s %13s %13s %13s %6s %6s\n", "stream", "motion", "kind",
                "refinements", "coarse", "RMS", "max", "zones", "find", "refine", "all", "mean", "worst");
    MjpegDecoder decoder;
    FrameBuffer picture;
    for (const auto &stream : streams) {
        for (const double step : {0.0, 0.1, 2.0}) {
            for (bool ring : {false, true}) {
                SpotRefiner refiner;
                Errors errors;
                Costs costs;
                const cv::Point2d start = middle + cv::Point2d(rng.uniform(-100.0, 0.0), rng.uniform(-100.0, 0.0));
                for (int i = 0; i < frames; ++i) {
                    const AlignmentTarget target{ring, start + cv::Point2d(0.8, 0.6) * (step * i)};
                    const std::vector<uint8_t> jpeg = compress(frameWith(base, {target}, 7 * i + 1), stream.restartRows);
                    errors.add(compressedPath(decoder, refiner, jpeg, circle, picture, costs), target);
                }
                const int refinements = int(refiner.windowDecodes());
                char label[96];
                std::snprintf(label, sizeof label, "%-10s %-10s %-6s %5d/%-5d %6d %6.3f %6.3f", stream.name,
                              step == 0 ? "still" : step < 1 ? "0.1 px" : "2 px", ring ? "ring" : "spot", refinements,
                              frames, errors.coarse, errors.rms(), errors.worst);
                printCosts(label, costs);
            }
        }
    }
}

// Frames holding no single target: the demo's empty alignment area with grain, two equal
// spots in it, and pure noise. Only the frame's middle 1600x1600 is compressed and decoded,
// which holds the whole region the finder looks in: its blocks, and so its pixels, are those
// of the whole frame's, and 1000 frames of each kind take minutes instead of an hour.
void falseReports(const cv::Mat &base, int frames, cv::RNG &rng)
{
    const cv::Rect part(1200, 704, 1600, 1600);   // on the 4:2:2 block grid
    // The central disc as a circle, since the part is not the whole picture.
    const FocusRequest wide{true, true, middle, 750.0, 1};
    std::printf("\nFalse reports in %d frames of each kind, circle 1 and central disc alternating\n", frames);
    MjpegDecoder decoder;
    FrameBuffer picture, full;
    // Whatever the area's preparation changes outside the part is never looked at.
    cv::Mat scratch = base.clone();
    const char *kinds[] = {"empty area with grain", "two equal spots", "pure noise (sigma 25)"};
    for (int kind = 0; kind < 3; ++kind) {
        int reported[2] = {0, 0};
        for (int i = 0; i < frames; ++i) {
            cv::Mat frame;
            if (kind == 2) {
                frame.create(part.size(), CV_8UC3);
                cv::randn(frame, cv::Scalar::all(128), cv::Scalar::all(25));
            } else {
                std::vector<AlignmentTarget> targets;
                if (kind == 1) {
                    targets.push_back({false, middle + cv::Point2d(rng.uniform(-150.0, -60.0), rng.uniform(-150.0, 150.0))});
                    targets.push_back({false, middle + cv::Point2d(rng.uniform(60.0, 150.0), rng.uniform(-150.0, 150.0))});
                }
                base(part).copyTo(scratch(part));
                prepareAlignmentArea(scratch, targets);
                for (const AlignmentTarget &target : targets)
                    drawAlignmentTarget(scratch, target);
                frame = scratch(part).clone();
                SensorNoise::camera().apply(frame, i);
            }
            const std::vector<uint8_t> jpeg = compress(frame);
            const FocusRequest &request = i % 2 ? wide : circle;
            DecodePlan plan;
            ViewRequest view;
            view.viewArea = part.size() / 4;
            decoder.decode(jpeg.data(), jpeg.size(), view, picture, plan);
            reported[0] += findSpot(picture.mat(), part, plan.scaleDenom, request).found;
            decoder.decode(jpeg.data(), jpeg.size(), ViewRequest(), full, plan);
            reported[1] += findSpot(full.mat(), part, 1, request).found;
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
    int positions = 25;
    int live = 60;
    int falseFrames = 1000;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--positions") == 0)
            positions = std::max(0, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--live") == 0)
            live = std::max(0, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--false-frames") == 0)
            falseFrames = std::max(0, std::atoi(argv[i + 1]));
    }
    cv::Mat base;
    renderCalibrationTarget(base, frameSize.width, frameSize.height, QStringLiteral("bench"));
    cv::RNG rng(0x5907);
    std::printf("4000x3000, grain, JPEG quality %d 4:2:2\n", cameraJpegQuality);
    if (positions > 0)
        accuracy(base, positions, rng);
    if (live > 0)
        liveSequences(base, live, rng);
    if (falseFrames > 0)
        falseReports(base, falseFrames, rng);
    return 0;
}
