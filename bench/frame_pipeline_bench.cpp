// GUI-thread cost of presenting one camera frame, against the floor and a naive viewer,
// and the live path end to end with the demo camera.
#include "camera/demo_camera_platform.h"
#include "camera/demo_pattern.h"
#include "camera/demo_video_capture.h"
#include "camera/mjpeg_decoder.h"
#include "camera/supported_cameras.h"
#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "ui/main_window.h"
#include "view/image_view.h"

#include <QApplication>
#include <QGuiApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSpinBox>
#include <QTimer>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Summary {
    double median = 0.0;
    double p95 = 0.0;
};

Summary summarize(std::vector<double> samples)
{
    if (samples.empty())
        return {};
    std::sort(samples.begin(), samples.end());
    const auto at = [&](double q) {
        return samples[std::min(samples.size() - 1, static_cast<std::size_t>(q * (samples.size() - 1) + 0.5))];
    };
    return {at(0.5), at(0.95)};
}

struct Step {
    std::function<void()> prepare;  // not timed
    std::function<void()> run;      // timed
    std::vector<double> samples;
};

// Runs the steps in turn, iteration by iteration after a warm-up, so that a change in the
// machine's load affects all of them alike and their ratios stay meaningful.
void timeInterleaved(int iterations, std::vector<Step *> steps)
{
    for (int i = -2; i < iterations; ++i) {
        for (Step *step : steps) {
            if (step->prepare)
                step->prepare();
            const auto start = Clock::now();
            step->run();
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if (i >= 0)
                step->samples.push_back(ms);
        }
    }
}

struct Options {
    int iterations = 30;
    double seconds = 20.0;
    double fps = 30.0;
    bool liveOnly = false;   // skip the GUI-thread cost table
    QString camera;          // one model only; empty: all three sizes
};

Options parseOptions(const QStringList &args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--live-only"))
            options.liveOnly = true;
        if (i + 1 == args.size())
            break;
        if (args[i] == QLatin1String("--camera"))
            options.camera = args[i + 1];
        else if (args[i] == QLatin1String("--iterations"))
            options.iterations = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--seconds"))
            options.seconds = std::max(1.0, args[i + 1].toDouble());
        else if (args[i] == QLatin1String("--fps"))
            options.fps = std::max(1.0, args[i + 1].toDouble());
    }
    return options;
}

// Lays the window out with a view of an operator's screen size.
void sizeForBench(MainWindow &window)
{
    window.resize(1320, 680);
    window.show();
    QApplication::processEvents();
}

void centreOverlay(MainWindowTestAccess &access, const cv::Mat &frame)
{
    access.centerCodeXSpin()->setValue(frame.cols / 2);
    access.centerCodeYSpin()->setValue(frame.rows / 2);
}

void presentCost(const Options &options)
{
    MainWindow window(std::make_unique<FakeCameraPlatform>());
    MainWindowTestAccess access(window);
    sizeForBench(window);
    ImageView *view = access.imageView();
    const QSize viewSize = view->size();

    std::printf("## GUI-thread cost per presented frame (ms, median / p95), view %d x %d\n\n", viewSize.width(),
                viewSize.height());
    std::printf("| frame | zoom | ours | floor | naive | ours/floor | naive/ours |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    QImage viewTarget(viewSize, QImage::Format_ARGB32_Premultiplied);
    QLabel label;
    label.resize(viewSize);

    for (const QSize size : {QSize(4000, 3000), QSize(3840, 2160), QSize(3264, 2448)}) {
        cv::Mat source;
        renderCalibrationTarget(source, size.width(), size.height(), QStringLiteral("bench"));
        centreOverlay(access, source);

        // The floor: the one copy into a buffer that already exists, and one smooth draw.
        QImage floorImage(size, QImage::Format_BGR888);
        Step floor{{}, [&] {
            for (int y = 0; y < source.rows; ++y)
                std::memcpy(floorImage.scanLine(y), source.ptr(y), static_cast<std::size_t>(source.cols) * 3);
            QPainter painter(&viewTarget);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRectF(QPointF(0, 0), QSizeF(viewSize)), floorImage);
        }, {}};

        // What many viewers do: convert, make a pixmap, scale it smoothly, show it in a label.
        Step naive{{}, [&] {
            cv::Mat rgb;
            cv::cvtColor(source, rgb, cv::COLOR_BGR2RGB);
            const QImage wrapped(rgb.data, rgb.cols, rgb.rows, static_cast<qsizetype>(rgb.step[0]),
                                 QImage::Format_RGB888);
            const QPixmap pixmap = QPixmap::fromImage(wrapped);
            label.setPixmap(pixmap.scaled(viewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            label.render(&viewTarget);
        }, {}};

        // The capture thread's part, left out of the timing: the driver fills a recycled buffer.
        const auto deliver = [&] {
            cv::Mat frame;
            {
                std::lock_guard<std::mutex> lock(access.frameMutex());
                if (!access.spareFrames().empty()) {
                    frame = std::move(access.spareFrames().back());
                    access.spareFrames().pop_back();
                }
            }
            source.copyTo(frame);
            std::lock_guard<std::mutex> lock(access.frameMutex());
            access.latestFrame() = std::move(frame);
            access.frameReady() = true;
        };
        for (const double zoom : {1.0, 2.0, 8.0}) {
            floor.samples.clear();
            naive.samples.clear();
            Step ours{[&] {
                          access.setZoom(zoom);
                          deliver();
                      },
                      [&] {
                          access.grabFrame();
                          view->render(&viewTarget);
                      },
                      {}};
            timeInterleaved(options.iterations, {&ours, &floor, &naive});
            const Summary o = summarize(ours.samples);
            const Summary f = summarize(floor.samples);
            const Summary n = summarize(naive.samples);
            std::printf("| %dx%d | %.0fx | %.1f / %.1f | %.1f / %.1f | %.1f / %.1f | %.2f | %.1f |\n",
                        size.width(), size.height(), zoom, o.median, o.p95, f.median, f.p95, n.median, n.p95,
                        o.median / f.median, n.median / o.median);
            std::fflush(stdout);
        }
        access.setZoom(1.0);
    }
    std::printf("\n");
}

long residentKiB()
{
    long pages = 0;
    long resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Notes which camera frame each paint of the view showed, and how old it was, once the paint
// is done: a decoded frame by its pool submission, a plain one by the demo's stamp.
class PaintProbe : public QObject {
public:
    explicit PaintProbe(MainWindowTestAccess &access) : access(access), view(access.imageView())
    {
        view->installEventFilter(this);
    }

    void clear()
    {
        sequences.clear();
        latenciesMs.clear();
        compressedBytes.clear();
    }

    std::vector<std::uint64_t> sequences;
    std::vector<double> latenciesMs;
    std::vector<double> compressedBytes;   // of each presented frame, on the compressed path

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != view || event->type() != QEvent::Paint || inside)
            return false;
        inside = true;
        QCoreApplication::sendEvent(view, event);
        inside = false;
        std::uint64_t sequence = 0;
        Clock::time_point captured;
        if (!shownFrame(sequence, captured))
            return true;
        if (sequences.empty() || sequences.back() != sequence) {
            sequences.push_back(sequence);
            latenciesMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - captured).count());
            if (access.decodePool())
                compressedBytes.push_back(double(access.decodedFrame().compressed.total()));
        }
        return true;
    }

private:
    bool shownFrame(std::uint64_t &sequence, Clock::time_point &captured) const
    {
        const QImage &frame = view->currentFrame();
        const DecodedFrame &decoded = access.decodedFrame();
        if (access.decodePool()) {
            if (decoded.image.isNull() || decoded.image.constBits() != frame.constBits())
                return false;
            sequence = decoded.sequence;
            captured = decoded.received;
            return true;
        }
        // Unzoomed plain frames only: a crop does not start at the stamped top row.
        if (frame.width() < 16 || view->shownFrameSize() != QSize(access.lastFrameWidth(), access.lastFrameHeight()))
            return false;
        const FrameStamp stamp = readFrameStamp(frame.constBits());
        sequence = stamp.sequence;
        captured = Clock::time_point(std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(stamp.captureTimeNs)));
        return true;
    }

    MainWindowTestAccess &access;
    ImageView *view;
    bool inside = false;
};

struct LiveRun {
    QString camera;   // a supported model, so the window asks for its size
    bool compressed;
    double zoom;
};

struct LiveResult {
    double presentedFps = 0.0;
    std::uint64_t dropped = 0;
    Summary latency;
    double meanFrameMB = 0.0;      // compressed path only
    double cpuCores = 0.0;
    double guiThreadCores = 0.0;
    double decodeFloorCores = -1;  // compressed path only
    double rssFirstMiB = 0.0;
    double rssEndMiB = 0.0;
    int steadyAllocations = -1;   // frame-sized pool buffers made after the warm-up
    QSize viewSize;
};

// CPU time, not wall time, so that other processes on the machine neither inflate the floor
// nor the GUI thread's share.
double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

// The least CPU a compressed stream can cost: decoding each of its frames once, at the scale
// and crop the view asked for. Timed here alone, on the last frame the run showed, so no
// other thread inflates it.
double decodeMs(const cv::Mat &compressed, const ViewRequest &request)
{
    if (compressed.empty())
        return 0.0;
    MjpegDecoder decoder;
    FrameBuffer buffer;
    DecodePlan plan;
    std::vector<double> samples;
    for (int i = -2; i < 15; ++i) {
        const double start = threadCpuSeconds();
        decoder.decode(compressed.data, compressed.total(), request, buffer, plan);
        if (i >= 0)
            samples.push_back((threadCpuSeconds() - start) * 1000.0);
    }
    return summarize(samples).median;
}

// A real event loop, which sleeps between events: polling would add a spinning core to the
// process's CPU time.
void runEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

LiveResult liveRun(const LiveRun &run, const Options &options)
{
    DemoCameraConfig config;
    config.name = run.camera;
    config.framesPerSecond = options.fps;
    // The plain path gets the same MJPG stream, decoded whole inside the read as a backend does.
    config.decodesMjpg = true;
    MainWindow window(std::make_unique<DemoCameraPlatform>(std::make_unique<FakeCameraPlatform>(), config));
    MainWindowTestAccess access(window);
    access.compressedFramesAllowed() = run.compressed;
    window.resize(1280, 760);
    window.show();
    PaintProbe probe(access);
    access.openCamera();
    access.setZoom(run.zoom);

    // Counting starts a second after the demo has compressed every frame of its ring (each
    // once, when first due), so neither opening nor the demo's own encoding is measured.
    QElapsedTimer waited;
    waited.start();
    while ((probe.sequences.empty() || probe.sequences.back() < 20) && waited.elapsed() < 30000)
        runEvents(20);
    runEvents(1000);
    probe.clear();
    const DecodePool::Stats before = access.decodePool() ? access.decodePool()->stats() : DecodePool::Stats{};

    long rssAfterFirstSecond = 0;
    QTimer::singleShot(1000, [&] { rssAfterFirstSecond = residentKiB(); });
    const double cpuStart = cpuSeconds();
    const double guiStart = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runEvents(int(options.seconds * 1000));
    const double elapsed = wall.elapsed() / 1000.0;

    LiveResult result;
    result.viewSize = access.imageView()->size();
    result.cpuCores = (cpuSeconds() - cpuStart) / elapsed;
    result.guiThreadCores = (threadCpuSeconds() - guiStart) / elapsed;
    result.rssEndMiB = residentKiB() / 1024.0;
    result.rssFirstMiB = rssAfterFirstSecond / 1024.0;
    if (access.decodePool()) {
        const DecodePool::Stats after = access.decodePool()->stats();
        result.steadyAllocations = after.bufferAllocations - before.bufferAllocations;
        const double framesPerSecond = double(after.submitted - before.submitted) / elapsed;
        const cv::Mat lastShown = access.decodedFrame().compressed;
        const QSize area = access.imageView()->pictureArea();
        const ViewRequest request{access.zoomFactor(), cv::Point2d(access.viewOffset().x(), access.viewOffset().y()),
                                  cv::Size(area.width(), area.height())};
        access.closeCamera();
        result.decodeFloorCores = decodeMs(lastShown, request) / 1000.0 * framesPerSecond;
    }
    access.closeCamera();

    for (std::size_t i = 1; i < probe.sequences.size(); ++i)
        result.dropped += probe.sequences[i] - probe.sequences[i - 1] - 1;
    result.presentedFps = probe.sequences.size() / elapsed;
    result.latency = summarize(probe.latenciesMs);
    if (!probe.compressedBytes.empty()) {
        double total = 0;
        for (const double bytes : probe.compressedBytes)
            total += bytes;
        result.meanFrameMB = total / double(probe.compressedBytes.size()) / 1e6;
    }
    return result;
}

QString orDash(bool known, const QString &text)
{
    return known ? text : QStringLiteral("-");
}

void endToEnd(const Options &options)
{
    std::printf("## End to end: demo camera at %.0f fps, %.0f s per row, Qt platform %s\n\n", options.fps,
                options.seconds, qPrintable(QGuiApplication::platformName()));
    std::printf("| frame | path | zoom | presented fps | dropped | latency median / p95 (ms) | mean frame (MB) "
                "| process CPU (cores) | decode floor (cores) | above floor | GUI thread (cores) "
                "| RSS after 1 s / end (MiB) | pool buffers made in steady state |\n");
    std::printf("|---|---|---|---|---|---|---|---|---|---|---|---|---|\n");
    QSize viewSize;
    QStringList cameras{QStringLiteral("vesk7.2"), QStringLiteral("vesk5"), QStringLiteral("vesk3")};
    if (!options.camera.isEmpty())
        cameras = {options.camera};
    for (const QString &camera : cameras) {
        const QSize size = findSupportedCamera(camera)->targetSize;
        for (const LiveRun &run : {LiveRun{camera, false, 1.0}, LiveRun{camera, true, 1.0}, LiveRun{camera, true, 2.0},
                                  LiveRun{camera, true, 8.0}}) {
            const LiveResult r = liveRun(run, options);
            const bool pooled = r.decodeFloorCores >= 0;
            std::printf("| %dx%d | %s | %.0fx | %.1f | %llu | %.1f / %.1f | %s | %.2f | %s | %s | %.2f | %.0f / %.0f | %s |\n",
                        size.width(), size.height(), run.compressed ? "compressed" : "plain", run.zoom,
                        r.presentedFps, static_cast<unsigned long long>(r.dropped), r.latency.median, r.latency.p95,
                        qPrintable(orDash(pooled, QString::number(r.meanFrameMB, 'f', 2))), r.cpuCores,
                        qPrintable(orDash(pooled, QString::number(r.decodeFloorCores, 'f', 2))),
                        qPrintable(orDash(pooled, QString::number(r.cpuCores - r.decodeFloorCores, 'f', 2))),
                        r.guiThreadCores, r.rssFirstMiB, r.rssEndMiB, qPrintable(orDash(pooled, QString::number(r.steadyAllocations))));
            std::fflush(stdout);
            viewSize = r.viewSize;
        }
    }
    std::printf("\nThe view was %d x %d.\n\n", viewSize.width(), viewSize.height());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const Options options = parseOptions(QCoreApplication::arguments());
    if (!options.liveOnly)
        presentCost(options);
    endToEnd(options);
    return 0;
}
