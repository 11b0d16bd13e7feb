// GUI-thread cost of presenting one camera frame, against the floor and a naive viewer,
// and the live path end to end with the demo camera.
#include "camera/demo_camera_platform.h"
#include "camera/demo_pattern.h"
#include "camera/demo_video_capture.h"
#include "tests/support/fake_camera_platform.h"
#include "tests/support/main_window_test_access.h"
#include "ui/main_window.h"
#include "view/image_view.h"

#include <QApplication>
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

// Runs one step after a warm-up, timing only the step itself.
Summary timeSteps(int iterations, const std::function<void()> &prepare, const std::function<void()> &step)
{
    std::vector<double> samples;
    for (int i = -2; i < iterations; ++i) {
        prepare();
        const auto start = Clock::now();
        step();
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (i >= 0)
            samples.push_back(ms);
    }
    return summarize(samples);
}

struct Options {
    int iterations = 30;
    double seconds = 20.0;
    double fps = 30.0;
};

Options parseOptions(const QStringList &args)
{
    Options options;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--iterations"))
            options.iterations = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--seconds"))
            options.seconds = std::max(1.0, args[i + 1].toDouble());
        else if (args[i] == QLatin1String("--fps"))
            options.fps = std::max(1.0, args[i + 1].toDouble());
    }
    return options;
}

// Lays the window out so the image view is about 850 x 640, as on an operator's screen.
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
    std::printf("## GUI-thread cost per presented frame (ms, median / p95)\n\n");
    std::printf("| frame | zoom | ours | floor | naive | ours/floor | naive/ours |\n");
    std::printf("|---|---|---|---|---|---|---|\n");

    MainWindow window(std::make_unique<FakeCameraPlatform>());
    MainWindowTestAccess access(window);
    sizeForBench(window);
    ImageView *view = access.imageView();
    const QSize viewSize = view->size();
    QImage viewTarget(viewSize, QImage::Format_ARGB32_Premultiplied);
    QLabel label;
    label.resize(viewSize);

    for (const QSize size : {QSize(4000, 3000), QSize(3840, 2160), QSize(3264, 2448)}) {
        cv::Mat source;
        renderCalibrationTarget(source, size.width(), size.height(), QStringLiteral("bench"));
        centreOverlay(access, source);

        // The floor: the one copy into a buffer that already exists, and one smooth draw.
        QImage floorImage(size, QImage::Format_BGR888);
        const Summary floor = timeSteps(options.iterations, [] {}, [&] {
            for (int y = 0; y < source.rows; ++y)
                std::memcpy(floorImage.scanLine(y), source.ptr(y), static_cast<std::size_t>(source.cols) * 3);
            QPainter painter(&viewTarget);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(QRectF(QPointF(0, 0), QSizeF(viewSize)), floorImage);
        });

        // What many viewers do: convert, make a pixmap, scale it smoothly, show it in a label.
        const Summary naive = timeSteps(options.iterations, [] {}, [&] {
            cv::Mat rgb;
            cv::cvtColor(source, rgb, cv::COLOR_BGR2RGB);
            const QImage wrapped(rgb.data, rgb.cols, rgb.rows, static_cast<qsizetype>(rgb.step[0]),
                                 QImage::Format_RGB888);
            const QPixmap pixmap = QPixmap::fromImage(wrapped);
            label.setPixmap(pixmap.scaled(viewSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            label.render(&viewTarget);
        });

        for (const double zoom : {1.0, 2.0, 8.0}) {
            access.setZoom(zoom);
            // The capture thread's part, left out of the timing: the driver fills a recycled buffer.
            const auto deliver = [&] {
                cv::Mat frame;
                {
                    std::lock_guard<std::mutex> lock(access.frameMutex());
                    frame = std::move(access.spareFrame());
                }
                source.copyTo(frame);
                std::lock_guard<std::mutex> lock(access.frameMutex());
                access.latestFrame() = std::move(frame);
                access.frameReady() = true;
            };
            const Summary ours = timeSteps(options.iterations, deliver, [&] {
                access.grabFrame();
                view->render(&viewTarget);
            });
            std::printf("| %dx%d | %.0fx | %.1f / %.1f | %.1f / %.1f | %.1f / %.1f | %.2f | %.1f |\n",
                        size.width(), size.height(), zoom, ours.median, ours.p95, floor.median, floor.p95,
                        naive.median, naive.p95, ours.median / floor.median, naive.median / ours.median);
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

// Notes which demo frame each paint of the view showed, once the paint is done.
class PaintProbe : public QObject {
public:
    explicit PaintProbe(ImageView *view) : view(view) { view->installEventFilter(this); }

    std::vector<FrameStamp> painted;
    std::vector<double> latenciesMs;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != view || event->type() != QEvent::Paint || inside)
            return false;
        inside = true;
        QCoreApplication::sendEvent(view, event);
        inside = false;
        const QImage &frame = view->currentFrame();
        if (frame.width() >= 16) {
            const FrameStamp stamp = readFrameStamp(frame.constBits());
            if (painted.empty() || painted.back().sequence != stamp.sequence) {
                const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     Clock::now().time_since_epoch()).count();
                painted.push_back(stamp);
                latenciesMs.push_back((now - stamp.captureTimeNs) / 1e6);
            }
        }
        return true;
    }

private:
    ImageView *view;
    bool inside = false;
};

void endToEnd(const Options &options)
{
    DemoCameraConfig config;
    config.framesPerSecond = options.fps;
    MainWindow window(std::make_unique<DemoCameraPlatform>(std::make_unique<FakeCameraPlatform>(), config));
    MainWindowTestAccess access(window);
    window.resize(1280, 760);
    window.show();
    PaintProbe probe(access.imageView());
    access.openCamera();

    // Start counting once the first frame is on screen, so opening is not measured.
    QElapsedTimer waited;
    waited.start();
    while (probe.painted.empty() && waited.elapsed() < 15000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    probe.painted.clear();
    probe.latenciesMs.clear();

    long rssAfterFirstSecond = 0;
    QTimer::singleShot(1000, [&] { rssAfterFirstSecond = residentKiB(); });
    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    while (wall.elapsed() < options.seconds * 1000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const double elapsed = wall.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpuStart;
    const long rssEnd = residentKiB();
    access.closeCamera();

    std::uint64_t dropped = 0;
    for (std::size_t i = 1; i < probe.painted.size(); ++i)
        dropped += probe.painted[i].sequence - probe.painted[i - 1].sequence - 1;
    const Summary latency = summarize(probe.latenciesMs);

    std::printf("## End to end: demo camera 4000x3000 at %.0f fps for %.0f s\n\n", options.fps, elapsed);
    std::printf("| presented fps | dropped in exchange | latency median / p95 (ms) | process CPU (cores) | RSS after 1 s / end (MiB) |\n");
    std::printf("|---|---|---|---|---|\n");
    std::printf("| %.1f | %llu | %.1f / %.1f | %.2f | %.0f / %.0f |\n\n", probe.painted.size() / elapsed,
                static_cast<unsigned long long>(dropped), latency.median, latency.p95, cpu / elapsed,
                rssAfterFirstSecond / 1024.0, rssEnd / 1024.0);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const Options options = parseOptions(QCoreApplication::arguments());
    presentCost(options);
    endToEnd(options);
    return 0;
}
