// GUI-thread cost of presenting one camera frame, against the floor and a naive viewer,
// and the live path end to end with the demo camera.
#include "camera/demo/demo_camera_platform.h"
#include "camera/demo/demo_pattern.h"
#include "camera/demo/demo_video_capture.h"
#include "camera/supported_cameras.h"
#include "decode/focus_measure.h"
#include "decode/focus_worker.h"
#include "decode/mjpeg_decoder.h"
#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "ui/main_window.h"
#include "view/image_view.h"
#include "decode/zoom_crop.h"

#include <QApplication>
#include <QGuiApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
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
#include <thread>
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

// CPU time, not wall time, so that other processes on the machine neither inflate the floor
// nor the GUI thread's share.
double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

double wallSeconds()
{
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

// Runs the steps in turn, iteration by iteration after a warm-up, so that a change in the
// machine's load affects all of them alike and their ratios stay meaningful.
void timeInterleaved(int iterations, std::vector<Step *> steps, double (*seconds)() = wallSeconds)
{
    for (int i = -2; i < iterations; ++i) {
        for (Step *step : steps) {
            if (step->prepare)
                step->prepare();
            const double start = seconds();
            step->run();
            const double ms = (seconds() - start) * 1000.0;
            if (i >= 0)
                step->samples.push_back(ms);
        }
    }
}

struct Options {
    int iterations = 30;
    double seconds = 20.0;
    double fps = 30.0;
    bool liveOnly = false;   // skip the GUI-thread cost tables
    bool meterOnly = false;  // only the tables with and without the focus meter
    int rounds = 1;          // of the end-to-end runs with and without the meter
    QString camera;          // one model only; empty: all three sizes
};

Options parseOptions(const QStringList &args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--live-only"))
            options.liveOnly = true;
        if (args[i] == QLatin1String("--meter-only"))
            options.meterOnly = true;
        if (i + 1 == args.size())
            break;
        if (args[i] == QLatin1String("--camera"))
            options.camera = args[i + 1];
        else if (args[i] == QLatin1String("--iterations"))
            options.iterations = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--seconds"))
            options.seconds = std::max(1.0, args[i + 1].toDouble());
        else if (args[i] == QLatin1String("--rounds"))
            options.rounds = std::max(1, args[i + 1].toInt());
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

// The capture thread's part, left out of the timings: the driver fills a recycled buffer.
void deliverFrame(MainWindowTestAccess &access, const cv::Mat &source)
{
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

        for (const double zoom : {1.0, 2.0, 8.0}) {
            floor.samples.clear();
            naive.samples.clear();
            Step ours{[&] {
                          access.setZoom(zoom);
                          deliverFrame(access, source);
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
    bool meter = true;   // the focus meter measures every shown frame
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
    access.focusMeterEnabled() = run.meter;
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

double loadAverage()
{
    double load = 0.0;
    std::ifstream("/proc/loadavg") >> load;
    return load;
}

// The GUI thread's CPU time per presented plain frame without the new badges and with them:
// the focus meter running with its worker and the pointer over the picture. The same frame is
// presented and painted in turns; the worker's measuring runs on its own thread and is timed
// apart, alone.
void meterCost(const Options &options)
{
    MainWindow window(std::make_unique<FakeCameraPlatform>());
    MainWindowTestAccess access(window);
    sizeForBench(window);
    ImageView *view = access.imageView();
    QImage viewTarget(view->size(), QImage::Format_ARGB32_Premultiplied);
    std::unique_ptr<FocusWorker> worker = std::make_unique<FocusWorker>();
    const QPointF onPicture = view->imageRect().center() + QPointF(40, 30);

    std::printf("## GUI-thread CPU per presented plain frame without and with the focus meter and pointer "
                "badges (ms, median / p95), view %d x %d, load %.2f\n\n",
                view->width(), view->height(), loadAverage());
    std::printf("| frame | zoom | without | with | added (paired) | measuring, off the GUI thread |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (const QSize size : {QSize(4000, 3000), QSize(3840, 2160), QSize(3264, 2448)}) {
        cv::Mat source;
        renderCalibrationTarget(source, size.width(), size.height(), QStringLiteral("bench"));
        centreOverlay(access, source);
        FocusRequest request;
        request.enabled = true;
        request.insideCircle = true;
        request.centre = cv::Point2d(source.cols / 2, source.rows / 2);
        request.radius = access.circles()[0].radius;

        // Both steps start alike: the worker done with its last frame, and the same pause, so
        // that neither finds the caches warmer than the other.
        const auto settle = [&] {
            FocusWorker *busy = access.focusWorker() ? access.focusWorker().get() : worker.get();
            for (const QImage &buffer : access.presentedFrames())
                while (busy->isReading(buffer))
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        };
        for (const double zoom : {1.0, 8.0}) {
            Step without{[&] {
                             settle();
                             if (access.focusWorker())
                                 worker = std::move(access.focusWorker());
                             access.focusMeterEnabled() = false;
                             view->setFocusBadge(FocusBadge());
                             QEvent leave(QEvent::Leave);
                             QCoreApplication::sendEvent(view, &leave);
                             access.setZoom(zoom);
                             deliverFrame(access, source);
                         },
                         [&] {
                             access.grabFrame();
                             view->render(&viewTarget);
                         },
                         {}};
            Step with{[&] {
                          settle();
                          if (worker)
                              access.focusWorker() = std::move(worker);
                          access.focusMeterEnabled() = true;
                          QMouseEvent move(QEvent::MouseMove, onPicture, onPicture, Qt::NoButton, Qt::NoButton,
                                           Qt::NoModifier);
                          QCoreApplication::sendEvent(view, &move);
                          access.setZoom(zoom);
                          deliverFrame(access, source);
                      },
                      without.run,
                      {}};
            // Each in both orders, so neither always runs straight after the other.
            Step withoutLast = without;
            Step withFirst = with;
            timeInterleaved(options.iterations, {&without, &with, &withFirst, &withoutLast}, threadCpuSeconds);
            std::vector<double> added;
            for (std::size_t i = 0; i < with.samples.size(); ++i) {
                added.push_back(with.samples[i] - without.samples[i]);
                added.push_back(withFirst.samples[i] - withoutLast.samples[i]);
            }
            without.samples.insert(without.samples.end(), withoutLast.samples.begin(), withoutLast.samples.end());
            with.samples.insert(with.samples.end(), withFirst.samples.begin(), withFirst.samples.end());

            const QRect crop = zoomCropRect(size, zoom, QPointF());
            const cv::Mat shown(source, cv::Rect(crop.x(), crop.y(), crop.width(), crop.height()));
            Step measure{{}, [&] { measureFocus(shown, cv::Rect(crop.x(), crop.y(), crop.width(), crop.height()), 1, request); }, {}};
            timeInterleaved(options.iterations, {&measure}, threadCpuSeconds);

            const Summary a = summarize(without.samples);
            const Summary b = summarize(with.samples);
            const Summary d = summarize(added);
            const Summary m = summarize(measure.samples);
            std::printf("| %dx%d | %.0fx | %.2f / %.2f | %.2f / %.2f | %.2f / %.2f | %.2f / %.2f |\n", size.width(),
                        size.height(), zoom, a.median, a.p95, b.median, b.p95, d.median, d.p95, m.median, m.p95);
            std::fflush(stdout);
        }
        // What the pool adds to a decode at 1x: measuring the frame it decoded at 1/4.
        cv::Mat quarter;
        cv::resize(source, quarter, cv::Size(), 0.25, 0.25, cv::INTER_AREA);
        Step pooled{{}, [&] { measureFocus(quarter, cv::Rect(0, 0, source.cols, source.rows), 4, request); }, {}};
        timeInterleaved(options.iterations, {&pooled}, threadCpuSeconds);
        const Summary p = summarize(pooled.samples);
        std::printf("| %dx%d | 1x, decoded at 1/4 | - | - | - | %.2f / %.2f |\n", size.width(), size.height(), p.median,
                    p.p95);
        access.setZoom(1.0);
    }
    std::printf("\nLoad after: %.2f\n\n", loadAverage());
}

// The live view of one model with the focus meter off and on, on both paths, in rounds that
// alternate which goes first; each row gives the median over the rounds and the range of the
// presented rate, since on a shared machine one run's rate says little.
void meterEndToEnd(const Options &options)
{
    const QString camera = options.camera.isEmpty() ? QStringLiteral("vesk7.2") : options.camera;
    const QSize size = findSupportedCamera(camera)->targetSize;
    std::printf("## End to end without and with the focus meter: %dx%d at %.0f fps, %d rounds of %.0f s per row, "
                "Qt platform %s, load %.2f\n\n",
                size.width(), size.height(), options.fps, options.rounds, options.seconds,
                qPrintable(QGuiApplication::platformName()), loadAverage());
    std::printf("| path | zoom | meter | presented fps (min - max) | dropped | process CPU (cores) "
                "| GUI thread (cores) | GUI thread per presented frame (ms) |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    for (const LiveRun &base : {LiveRun{camera, false, 1.0}, LiveRun{camera, true, 1.0}, LiveRun{camera, true, 8.0}}) {
        std::vector<LiveResult> results[2];
        for (int round = 0; round < options.rounds; ++round) {
            for (const bool meter : round % 2 ? std::vector<bool>{true, false} : std::vector<bool>{false, true}) {
                LiveRun run = base;
                run.meter = meter;
                results[meter].push_back(liveRun(run, options));
            }
        }
        for (const bool meter : {false, true}) {
            const std::vector<LiveResult> &rs = results[meter];
            std::vector<double> fps, cpu, gui, guiPerFrame;
            std::uint64_t dropped = 0;
            for (const LiveResult &r : rs) {
                fps.push_back(r.presentedFps);
                cpu.push_back(r.cpuCores);
                gui.push_back(r.guiThreadCores);
                guiPerFrame.push_back(r.presentedFps > 0 ? r.guiThreadCores * 1000.0 / r.presentedFps : 0.0);
                dropped += r.dropped;
            }
            std::printf("| %s | %.0fx | %s | %.1f (%.1f - %.1f) | %llu | %.2f | %.3f | %.2f |\n",
                        base.compressed ? "compressed" : "plain", base.zoom, meter ? "on" : "off",
                        summarize(fps).median, *std::min_element(fps.begin(), fps.end()),
                        *std::max_element(fps.begin(), fps.end()), static_cast<unsigned long long>(dropped),
                        summarize(cpu).median, summarize(gui).median, summarize(guiPerFrame).median);
            std::fflush(stdout);
        }
    }
    std::printf("\nLoad after: %.2f\n\n", loadAverage());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const Options options = parseOptions(QCoreApplication::arguments());
    if (!options.meterOnly) {
        if (!options.liveOnly)
            presentCost(options);
        endToEnd(options);
    }
    if (!options.liveOnly)
        meterCost(options);
    meterEndToEnd(options);
    return 0;
}
