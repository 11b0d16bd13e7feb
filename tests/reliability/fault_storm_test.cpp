#include "tests/capture/capture_test_window.h"
#include "tests/support/diagnostic_log_reader.h"
#include "tests/support/message_recorder.h"

#include "view/image_view.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QRandomGenerator>
#include <QSlider>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <thread>

// Driver faults in bulk, on a scripted capture device: whatever happens, the window ends each
// storm either closed or streaming, with its capture thread joined when closed, no frame
// left behind in the exchange, and only the log lines the faults explain.
using namespace std::chrono_literals;
using Failure = FakeVideoCapture::Failure;

namespace {

const QString kDevice = QStringLiteral("vesk5");

const QStringList kSessionLines{
    QStringLiteral("Open camera requested"),
    QStringLiteral("Unable to bind camera vesk5 for property range query"),
    QStringLiteral("Opening V4L2 device index 0 (vesk5) as MJPG 3840 x 2160"),
    QStringLiteral("Device opened with atomic MJPG format parameters"),
    QStringLiteral("Skipping startup property reads for driver compatibility"),
    QStringLiteral("Starting capture thread"),
    QStringLiteral("Open camera sequence completed"),
    QStringLiteral("Capture thread entered"),
    QStringLiteral("First camera frame received"),
    QStringLiteral("Capture thread exited"),
};

cv::Mat frame(int value)
{
    return cv::Mat(120, 160, CV_8UC3, cv::Scalar(value, value, value));
}

FakeCameraPlatform &fakePlatform(CaptureTestWindow &t)
{
    return static_cast<FakeCameraPlatform &>(*t.access.platform());
}

// Runs the event loop (ticks, queued stream-loss calls) until done or the time is up.
template <typename Predicate> bool settle(Predicate done, std::chrono::milliseconds limit = 5000ms)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return done();
}

// Closed means joined and empty-handed: no frame may outlive the session.
bool closedAndClean(CaptureTestWindow &t)
{
    MainWindowTestAccess &a = t.access;
    return a.openButton()->isEnabled() == (a.deviceCombo()->count() > 0 && !a.deviceCombo()->currentData().toMap().isEmpty())
        && !a.closeButton()->isEnabled() && !a.frameTimer().isActive() && !a.captureThread().joinable()
        && !a.captureRunning() && a.latestFrame().empty() && !a.frameReady() && a.spareFrames().empty()
        && a.imageView()->currentFrame().isNull();
}

bool streaming(CaptureTestWindow &t)
{
    return t.isOpen() && t.access.captureRunning() && t.access.frameTimer().isActive();
}

// Lines that are neither expected exactly nor explained by one of the given beginnings.
QStringList unexplained(const QStringList &messages, const QStringList &prefixes)
{
    QStringList odd;
    for (const QString &m : messages) {
        if (kSessionLines.contains(m))
            continue;
        if (std::none_of(prefixes.begin(), prefixes.end(), [&](const QString &p) { return m.startsWith(p); }))
            odd << m;
    }
    return odd;
}

void streamFrames(CaptureTestWindow &t, int value)
{
    t.camera->setSteadyFrame(frame(value));
    t.camera->setReadInterval(200us);
}

} // namespace

class FaultStormTest : public QObject {
    Q_OBJECT

private slots:
    void driverExceptionsAtRandomPoints()
    {
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t;
        t.access.captureTimings() = {2000ms, 1000ms};
        QRandomGenerator rng(11);
        const Failure kinds[] = {Failure::OpenCv, Failure::Standard, Failure::Unknown};
        int lost = 0;
        int refusedWrites = 0;
        const int rounds = 150;

        for (int round = 0; round < rounds; ++round) {
            streamFrames(t, round % 200);
            t.access.openCamera();
            QVERIFY2(streaming(t), qPrintable(QString::number(round)));
            QVERIFY(t.camera->waitForReads(int(rng.bounded(1, 20)) + t.camera->readCount(), 5000ms));
            const Failure kind = kinds[rng.bounded(3)];
            switch (rng.bounded(3)) {
            case 0:
                t.camera->failReads(kind);
                QVERIFY2(settle([&] { return closedAndClean(t); }), qPrintable(QString::number(round)));
                t.camera->failReads(Failure::None);
                ++lost;
                break;
            case 1:
                t.camera->failIsOpened(kind);
                QVERIFY2(settle([&] { return !t.access.captureRunning() && !t.access.frameTimer().isActive(); }),
                         qPrintable(QString::number(round)));
                QVERIFY2(settle([&] { return closedAndClean(t); }), qPrintable(QString::number(round)));
                // The hot-plug check must survive a driver that throws even when asked if it is open.
                fakePlatform(t).devices.clear();
                t.access.checkDeviceList();
                QVERIFY(closedAndClean(t));
                fakePlatform(t).devices = {{0, kDevice}};
                t.access.checkDeviceList();
                QVERIFY(closedAndClean(t));
                t.camera->failIsOpened(Failure::None);
                ++lost;
                break;
            default:
                t.camera->failNextSet(kind);
                t.access.gainSlider()->setValue(t.access.gainSlider()->value() == 10 ? 11 : 10);
                ++refusedWrites;
                QVERIFY(t.camera->waitForReads(t.camera->readCount() + 3, 5000ms));
                QVERIFY(settle([&] { return t.access.imageView()->currentFrame().size() == QSize(160, 120); }));
                QVERIFY(streaming(t));
                t.access.closeCamera();
                QVERIFY(closedAndClean(t));
                break;
            }
        }

        const QStringList messages = log.messages();
        QCOMPARE(log.count(QStringLiteral("Capture thread entered")), rounds);
        QCOMPARE(log.count(QStringLiteral("Capture thread exited")), rounds);
        QCOMPARE(log.count(QStringLiteral("Camera stream ended unexpectedly; refreshing devices")), lost);
        const QStringList odd = unexplained(messages, {
            QStringLiteral("OpenCV exception in capture thread: "), QStringLiteral("Standard exception in capture thread: "),
            QStringLiteral("Unknown exception in capture thread"), QStringLiteral("Camera stream ended unexpectedly"),
            QStringLiteral("OpenCV exception while setting gain="), QStringLiteral("Exception while setting gain="),
            QStringLiteral("Unknown exception while setting gain="),
            QStringLiteral("OpenCV exception while releasing camera: "), QStringLiteral("Standard exception while releasing camera: "),
            QStringLiteral("Unknown exception while releasing camera"),
            QStringLiteral("OpenCV exception while checking the camera: "), QStringLiteral("Standard exception while checking the camera: "),
            QStringLiteral("Unknown exception while checking the camera"), QStringLiteral("Camera device list changed: "),
        });
        QVERIFY2(odd.isEmpty(), qPrintable(odd.join(QLatin1Char('\n'))));
        int writeFaults = 0;
        for (const QString &m : messages)
            writeFaults += m.contains(QStringLiteral("while setting gain=")) ? 1 : 0;
        QCOMPARE(writeFaults, refusedWrites);
        QVERIFY(boxes.messages.isEmpty());
        qInfo("exception storm: %d rounds, %d streams lost, %d failed writes", rounds, lost, refusedWrites);
    }

    void stallsUnplugsAndAFlappingDeviceList()
    {
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t;
        t.access.captureTimings() = {400ms, 150ms};
        FakeCameraPlatform &platform = fakePlatform(t);
        const std::vector<VideoInput> attached = platform.devices;
        QRandomGenerator rng(12);
        int stalls = 0, unplugs = 0, drops = 0, flaps = 0;

        for (int round = 0; round < 60; ++round) {
            platform.devices = attached;
            t.access.checkDeviceList();
            streamFrames(t, 40);
            t.access.openCamera();
            QVERIFY(streaming(t));
            QVERIFY(t.camera->waitForReads(t.camera->readCount() + 5, 5000ms));
            switch (round % 4) {
            case 0:
                // A stall shorter than the limit is ridden out; the stream carries on.
                t.camera->setBlockingReads(true);
                QVERIFY(t.camera->waitForBlockedReader(5000ms));
                std::this_thread::sleep_for(std::chrono::milliseconds(rng.bounded(60)));
                t.camera->setBlockingReads(false);
                QVERIFY(t.camera->waitForReads(t.camera->readCount() + 5, 5000ms));
                QVERIFY(streaming(t));
                // Then frames stop coming at all: a lost stream.
                t.camera->setSteadyFrame(cv::Mat());
                QVERIFY(settle([&] { return closedAndClean(t); }));
                QCOMPARE(t.access.statusLabel()->text(), QStringLiteral("Camera disconnected; devices refreshed"));
                ++stalls;
                break;
            case 1:
                // Unplugged in the middle of a read.
                t.camera->setBlockingReads(true);
                QVERIFY(t.camera->waitForBlockedReader(5000ms));
                t.camera->dropConnection();
                platform.devices.clear();
                t.camera->setBlockingReads(false);
                QVERIFY(settle([&] { return closedAndClean(t); }));
                QCOMPARE(t.access.deviceCombo()->currentData().toMap().isEmpty(), true);
                ++drops;
                break;
            case 2:
                // Unplugged between reads, found by the hot-plug check.
                platform.devices.clear();
                t.access.checkDeviceList();
                QVERIFY(closedAndClean(t));
                QCOMPARE(t.access.statusLabel()->text(), QStringLiteral("Camera disconnected; switched to closed state"));
                ++unplugs;
                break;
            default:
                // The list changes at every check while frames flow.
                for (int check = 0; check < 20; ++check) {
                    platform.devices = check % 2 ? attached : std::vector<VideoInput>{};
                    t.access.checkDeviceList();
                    QVERIFY(closedAndClean(t));
                    ++flaps;
                    if (check % 2) {
                        t.access.openCamera();
                        QVERIFY(streaming(t));
                    }
                }
                t.access.closeCamera();
                QVERIFY(closedAndClean(t));
                break;
            }
        }

        const QStringList odd = unexplained(log.messages(), {
            QStringLiteral("Camera stream stopped returning frames; refreshing devices"),
            QStringLiteral("Camera stream ended unexpectedly; refreshing devices"),
            QStringLiteral("Camera device list changed: "),
        });
        QVERIFY2(odd.isEmpty(), qPrintable(odd.join(QLatin1Char('\n'))));
        QCOMPARE(log.count(QStringLiteral("Camera stream stopped returning frames; refreshing devices")), stalls);
        QCOMPARE(log.count(QStringLiteral("Capture thread entered")), log.count(QStringLiteral("Capture thread exited")));
        QVERIFY(boxes.messages.isEmpty());
        qInfo("stall storm: %d stalls, %d unplugs during a read, %d between reads, %d list flaps", stalls, drops, unplugs, flaps);
    }

    void thousandOpenCloseCyclesWithFramesFlowing()
    {
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t;
        streamFrames(t, 70);
        const int cycles = 1000;
        for (int i = 0; i < cycles; ++i) {
            t.access.openCamera();
            QVERIFY(streaming(t));
            if (i % 25 == 0)
                QVERIFY(settle([&] { return !t.access.imageView()->currentFrame().isNull(); }));
            t.access.closeCamera();
            QVERIFY2(closedAndClean(t), qPrintable(QString::number(i)));
        }
        QCOMPARE(t.camera->openCalls().size(), size_t(cycles));
        QCOMPARE(t.camera->releaseCount(), cycles);
        QCOMPARE(log.count(QStringLiteral("Capture thread entered")), cycles);
        QCOMPARE(log.count(QStringLiteral("Capture thread exited")), cycles);
        const QStringList odd = unexplained(log.messages(), {});
        QVERIFY2(odd.isEmpty(), qPrintable(odd.join(QLatin1Char('\n'))));
        QVERIFY(boxes.messages.isEmpty());
    }

    void sliderDragsWhileFramesFlow()
    {
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t;
        streamFrames(t, 90);
        t.camera->refuseProperty(cv::CAP_PROP_GAIN);
        t.access.autoFocusCheck()->setChecked(false);
        t.access.autoExposureCheck()->setChecked(false);
        t.access.openCamera();
        QVERIFY(streaming(t));
        t.camera->clearSetCalls();

        QSlider *const sliders[] = {t.access.brightnessSlider(), t.access.focusSlider(), t.access.exposureSlider(),
                                    t.access.gainSlider()};
        const int writes = 10000;
        int refused = 0;
        int lastBrightness = 0;
        for (int i = 0; i < writes; ++i) {
            QSlider *slider = sliders[i % 4];
            // A drag: one step from where the slider is, wrapping at the end of its range.
            const int span = slider->maximum() - slider->minimum() + 1;
            slider->setValue(slider->minimum() + (slider->value() - slider->minimum() + 1) % span);
            refused += slider == t.access.gainSlider() ? 1 : 0;
            if (slider == t.access.brightnessSlider())
                lastBrightness = slider->value();
            if (i % 200 == 0)
                QCoreApplication::processEvents();
        }
        QVERIFY(t.camera->waitForReads(t.camera->readCount() + 5, 5000ms));
        QVERIFY(settle([&] { return !t.access.imageView()->currentFrame().isNull(); }));
        QVERIFY(streaming(t));

        const std::vector<FakeVideoCapture::SetCall> calls = t.camera->setCalls();
        QCOMPARE(int(calls.size()), writes);
        double sentBrightness = -1;
        for (const auto &call : calls) {
            if (call.propertyId == cv::CAP_PROP_BRIGHTNESS)
                sentBrightness = call.value;
        }
        QCOMPARE(sentBrightness, double(lastBrightness));
        QCOMPARE(log.messages().filter(QStringLiteral("Driver rejected gain=")).size(), refused);
        const QStringList odd = unexplained(log.messages(), {QStringLiteral("Driver rejected gain=")});
        QVERIFY2(odd.isEmpty(), qPrintable(odd.join(QLatin1Char('\n'))));

        t.access.closeCamera();
        QVERIFY(closedAndClean(t));
        QVERIFY(boxes.messages.isEmpty());
    }
};

QTEST_MAIN(FaultStormTest)
#include "fault_storm_test.moc"
