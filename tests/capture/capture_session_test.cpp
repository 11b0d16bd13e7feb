#include "tests/capture/capture_test_window.h"

#include <QElapsedTimer>

#include <atomic>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;
using Failure = FakeVideoCapture::Failure;
using Writes = CaptureTestWindow::Writes;

namespace {

const QString streamLost = QStringLiteral("Camera disconnected; devices refreshed");

cv::Mat grey(int width, int height, int value) { return cv::Mat(height, width, CV_8UC3, cv::Scalar::all(value)); }

// Only what the test does may end the stream.
void neverStall(CaptureTestWindow &t) { t.access.captureTimings() = {60000ms, 60000ms}; }

// Waits without running the event loop, so no queued call or timer tick can interfere.
template <typename Predicate> bool waitPlain(Predicate done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(5ms);
    return done();
}

// An opened device without a capture thread: writes are all that reaches it.
struct OpenedWindow : CaptureTestWindow {
    OpenedWindow() { camera->open(0, cv::CAP_V4L2); }
    bool lockIsFree() { return std::unique_lock(access.captureMutex(), std::try_to_lock).owns_lock(); }
};

} // namespace

class CaptureSessionTest : public QObject {
    Q_OBJECT

private slots:
    void openStreamsAtTargetSizeAndClosesStormProof()
    {
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t;
        QVERIFY(t.openStreaming(grey(3840, 2160, 90)));
        const auto opens = t.camera->openCalls();
        QCOMPARE(std::tuple(opens.size(), opens.at(0).api, t.camera->takeWrites().empty()), std::tuple(std::size_t(1), int(cv::CAP_V4L2), true));
        QCOMPARE(opens[0].params, (std::vector<int>{3, 3840, 4, 2160, 6, 0x47504A4D}));   // size and MJPG at once
        QTRY_COMPARE(t.access.resolutionLabel()->text(), QStringLiteral("3840 x 2160"));
        QCOMPARE(t.access.statusLabel()->text(), QStringLiteral("Open: vesk5"));
        t.access.closeCamera();
        t.access.closeCamera();
        QCOMPARE(std::tuple(t.isClosedWithDevice(), t.access.imageView()->currentFrame().isNull(), t.camera->releaseCount()), std::tuple(true, true, 1));
        QCOMPARE(t.access.resolutionLabel()->text(), QStringLiteral("Target 3840 x 2160"));

        // Many more sessions, with ticks presenting frames and property writes contending with the reads.
        constexpr int cycles = 100;
        for (int i = 0; i < cycles; ++i) {
            QVERIFY(t.openStreaming(grey(320, 240, 60), 300us));
            if (i % 10 == 0) {
                QTest::qWait(40);
                t.access.brightnessSlider()->setValue(20 + (i / 10) % 2);
            }
            t.access.closeCamera();
            QVERIFY(t.isClosedWithDevice());
        }
        QCOMPARE(std::tuple(t.camera->releaseCount(), t.camera->takeWrites().empty(), boxes.messages.size()), std::tuple(cycles + 1, false, qsizetype(0)));
        QCOMPARE(log.count(QStringLiteral("Capture thread entered")), cycles + 1);
        QCOMPARE(log.count(QStringLiteral("Capture thread exited")), cycles + 1);
    }

    void openFailuresLeaveCameraClosed()
    {
        struct OpenFailure { bool device, openResult; Failure failure; QString logPrefix; MessageKind kind; QString title, text; };
        const auto warning = MessageKind::Warning, critical = MessageKind::Critical;
        const QString camera = QStringLiteral("Camera"), vesk = QStringLiteral("VESK");
        const OpenFailure rows[] = {
            {false, true, Failure::None, {}, warning, camera, "No supported VESK camera was detected."},
            {true, false, Failure::None, "VideoCapture::open returned false", warning, camera, "Unable to open the camera."},
            {true, true, Failure::OpenCv, "OpenCV exception while opening camera: OpenCV(", critical, "Camera Error",
             "An error occurred while opening the camera. The crash was prevented. Please send vesk-diagnostic.log to the developer."},
            {true, true, Failure::Standard, "Standard exception while opening camera: scripted failure in open", critical, vesk,
             "scripted failure in open"},
            {true, true, Failure::Unknown, "Unknown exception while opening camera", critical, vesk,
             "An unknown error occurred while opening the camera."}};
        for (const OpenFailure &c : rows) {
            MessageRecorder boxes;
            DiagnosticLogReader log;
            CaptureTestWindow t(c.device ? std::vector<VideoInput>{{0, QStringLiteral("vesk5")}} : std::vector<VideoInput>{});
            t.camera->setOpenResult(c.openResult);
            t.camera->failOpen(c.failure);
            t.access.openCamera();
            QCOMPARE(std::pair(boxes.messages.size(), boxes.messages.value(0).kind), std::pair(qsizetype(1), c.kind));
            QCOMPARE(boxes.messages[0].title + ": " + boxes.messages[0].text, c.title + ": " + c.text);
            QCOMPARE(std::pair(t.access.frameTimer().isActive(), log.contains(QStringLiteral("Starting capture thread"))), std::pair(false, false));
            if (c.device)
                QVERIFY2(t.isClosedWithDevice() && log.containsPrefix(c.logPrefix), qPrintable(log.messages().join('\n')));
            else
                QCOMPARE(std::tuple(t.access.openButton()->isEnabled(), t.access.closeButton()->isEnabled(), t.camera->openCalls().size()), std::tuple(false, false, std::size_t(0)));
        }
    }

    void stalledStreamEndsAfterItsLimit()
    {
        // Either limit applied at the wrong time would end the first stream too early and the
        // second only after a minute. DirectShow hands over a picture also when no frame came.
        struct Row { int firstLimit, laterLimit, frames; bool dshow; };
        for (const Row r : {Row{200, 20, 0, false}, Row{60000, 50, 2, false}, Row{300, 60000, 0, true}, Row{60000, 100, 2, true}}) {
            MessageRecorder boxes;
            DiagnosticLogReader log;
            CaptureTestWindow t;
            t.access.captureTimings() = {std::chrono::milliseconds(r.firstLimit), std::chrono::milliseconds(r.laterLimit)};
            if (r.dshow)
                t.camera->behaveLikeDshow(40ms, {3840, 2160});
            cv::Mat black;   // OpenCV's own read calls DirectShow's picture without a frame a frame
            QVERIFY(!r.dshow || (t.camera->cv::VideoCapture::read(black) && cv::countNonZero(black.reshape(1)) == 0));
            if (r.frames > 0)
                t.camera->queueReads({grey(3840, 2160, 1), cv::Mat(), grey(3840, 2160, 2)});
            QElapsedTimer clock;
            clock.start();
            t.access.openCamera();
            // Well before the 10 s that a read waits without a frame.
            QTRY_COMPARE(t.access.statusLabel()->text(), streamLost);
            QVERIFY(clock.elapsed() >= (r.frames > 0 ? r.laterLimit : r.firstLimit));
            QCOMPARE(std::pair(t.access.closeButton()->isEnabled(), t.access.captureThread().joinable()), std::pair(false, false));
            // No read is tried without a frame: it would wait up to 10 s, and the limit with it.
            if (!r.dshow)
                QCOMPARE(t.camera->readCount(), r.frames > 0 ? 3 : 0);
            QCOMPARE(std::pair(log.contains(QStringLiteral("Camera stream stopped returning frames; refreshing devices")), boxes.messages.size()), std::pair(true, qsizetype(0)));
            QCOMPARE(log.count(QStringLiteral("First camera frame received")), r.frames > 0 ? 1 : 0);
        }
    }

    void unexpectedEndClosesCamera()
    {
        struct Row { Failure read, isOpened; QString logPrefix; };
        const Row rows[] = {{Failure::OpenCv, Failure::None, "OpenCV exception in capture thread: OpenCV("},
                            {Failure::Standard, Failure::None, "Standard exception in capture thread: scripted failure in read"},
                            {Failure::Unknown, Failure::None, "Unknown exception in capture thread"},
                            {Failure::None, Failure::Standard, "Standard exception in capture thread: scripted failure in isOpened"},
                            {Failure::None, Failure::None, "Camera stream ended unexpectedly; refreshing devices"}};
        for (const Row &r : rows) {
            DiagnosticLogReader log;
            CaptureTestWindow t;
            neverStall(t);   // only the failure itself may end the stream
            QVERIFY(t.openStreaming(grey(64, 48, 7), 1ms) && t.camera->waitForReads(3, 5000ms));
            if (r.read == Failure::None && r.isOpened == Failure::None)
                t.camera->dropConnection();
            t.camera->failReads(r.read);
            t.camera->failIsOpened(r.isOpened);
            QVERIFY(waitPlain([&] { return !t.access.captureRunning(); }));
            // The window's other users of the device are not under test here.
            t.camera->failReads(Failure::None);
            t.camera->failIsOpened(Failure::None);
            // Without the queued loss call the window would show "open" with no frames for ever.
            QTRY_COMPARE_WITH_TIMEOUT(t.access.statusLabel()->text(), streamLost, 10000);
            // Closed, and no frame outlives the session.
            QCOMPARE(std::tuple(t.access.closeButton()->isEnabled(), t.access.captureThread().joinable(), t.access.latestFrame().empty(),
                                t.access.frameReady(), t.access.spareFrames().size(), t.access.imageView()->currentFrame().isNull()),
                     std::tuple(false, false, true, false, std::size_t(0), true));
            QVERIFY2(log.containsPrefix(r.logPrefix), qPrintable(log.messages().join('\n')));
            QVERIFY(log.contains(QStringLiteral("Capture thread exited")));
        }
    }

    void streamLossOfEarlierSessionIsIgnored()
    {
        CaptureTestWindow t;
        t.access.captureTimings() = {0ms, 0ms};   // the first empty read already counts as lost
        t.access.openCamera();
        QVERIFY(waitPlain([&] { return !t.access.captureRunning(); }));
        // The loss call is queued now; close and reopen before the event loop can deliver it.
        t.access.closeCamera();
        neverStall(t);
        t.openStreaming(grey(3840, 2160, 5));
        QTRY_COMPARE(t.access.statusLabel()->text(), QStringLiteral("Open: vesk5"));
        QTest::qWait(50);
        QCOMPARE(std::tuple(t.isOpen(), t.access.captureRunning().load(), t.camera->isOpened()), std::tuple(true, true, true));
    }

    void newestFrameWinsUncopied()
    {
        CaptureTestWindow t;
        neverStall(t);
        const cv::Mat frames[] = {grey(64, 48, 10), grey(64, 48, 20), grey(64, 48, 30)};
        t.camera->queueReads({frames[0], frames[1], frames[2]});
        t.access.openCamera();
        // A slow consumer: all three frames arrive before the window looks at the exchange once.
        QVERIFY(t.camera->waitForFrameWaiter(5000ms) && t.access.frameReady());
        QCOMPARE(t.access.latestFrame().data, frames[2].data);   // moved through, never copied
        t.access.grabFrame();
        const QImage shown = t.access.imageView()->currentFrame();
        QCOMPARE(std::tuple(shown.size(), qRed(shown.pixel(0, 0)), t.access.frameReady()), std::tuple(QSize(64, 48), 30, false));
        t.access.closeCamera();
    }

    void closeWaitsForBlockedRead()
    {
        CaptureTestWindow t;
        neverStall(t);
        QVERIFY(t.openStreaming(grey(64, 48, 3)) && t.camera->waitForReads(1, 5000ms));
        t.camera->setBlockingReads(true);
        QVERIFY(t.camera->waitForBlockedReader(5000ms));
        std::atomic<bool> releasedUnderRead{false};
        std::thread driver([&] {
            std::this_thread::sleep_for(100ms);
            releasedUnderRead = t.camera->releaseCount() != 0;
            t.camera->releaseBlockedReads();
        });
        t.access.closeCamera();
        driver.join();
        QCOMPARE(std::pair(releasedUnderRead.load(), t.camera->releaseCount()), std::pair(false, 1));
        QVERIFY(!t.access.frameReady());   // the frame the released read returned is dropped
        QTest::qWait(30);
        QVERIFY(t.isClosedWithDevice());
    }

    void deviceCallsDoNotWaitForAFrame()
    {
        CaptureTestWindow t;
        neverStall(t);
        t.camera->queueReads({grey(64, 48, 1)});   // one frame, then the camera stalls
        t.access.openCamera();
        QVERIFY(t.camera->waitForFrameWaiter(5000ms));
        // A read now would wait 10 s for a frame; the window's own calls on the device must not.
        QElapsedTimer clock;
        clock.start();
        t.access.brightnessSlider()->setValue(40);
        t.access.openDriverSettings();
        t.access.closeCamera();
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(t.camera->takeWrites(), (Writes{{cv::CAP_PROP_BRIGHTNESS, 40}, {cv::CAP_PROP_SETTINGS, 1}}));
        QVERIFY(t.isClosedWithDevice());
    }

    void controlsWriteTheirPropertyAutoModesFirst()
    {
        OpenedWindow t;
        DiagnosticLogReader log;   // made after the window: only what the controls write counts
        auto &a = t.access;
        a.brightnessSlider()->setValue(40);
        a.gainSlider()->setValue(5);
        a.focusSlider()->setValue(600);
        a.exposureSlider()->setValue(-5);
        a.brightnessSpin()->setValue(41);   // a committed spin box value moves the slider and is written exactly once
        QCOMPARE(t.camera->takeWrites(), (Writes{{10, 40.0}, {14, 5.0}, {28, 600.0}, {15, -5.0}, {10, 41.0}}));

        a.autoFocusCheck()->setChecked(true);
        QCOMPARE(std::pair(a.focusSlider()->isEnabled(), a.focusSpin()->isEnabled()), std::pair(false, false));
        a.focusSlider()->setValue(701);   // moves the widgets only while auto focus is on
        a.autoFocusCheck()->setChecked(false);
        // V4L2 means 3 = aperture priority, 1 = manual; DirectShow's fractions would be rounded the wrong way.
        a.autoExposureCheck()->setChecked(true);
        a.exposureSlider()->setValue(-4);
        a.autoExposureCheck()->setChecked(false);
        QCOMPARE(t.camera->takeWrites(), (Writes{{39, 1.0}, {39, 0.0}, {28, 701.0}, {21, 3.0}, {21, 1.0}, {15, -4.0}}));
        a.autoFocusCheck()->setChecked(true);
        t.camera->takeWrites();
        a.applyCameraControls();
        QCOMPARE(t.camera->takeWrites(), (Writes{{10, 41.0}, {39, 1.0}, {14, 5.0}, {21, 1.0}, {15, -4.0}}));

        t.camera->release();
        a.brightnessSlider()->setValue(42);
        QCOMPARE(a.brightnessSpin()->value(), 42);
        QVERIFY(t.camera->takeWrites().empty() && !a.setCameraProperty(cv::CAP_PROP_GAIN, 3.0, QStringLiteral("gain")));
        QVERIFY(log.messages().isEmpty());
    }

    void driverFailuresAreLoggedAndContained()
    {
        OpenedWindow t;
        DiagnosticLogReader log;
        auto &a = t.access;
        t.camera->refuseProperty(cv::CAP_PROP_GAIN);
        a.gainSlider()->setValue(15);
        QCOMPARE(std::pair(a.gainSlider()->value(), log.messages()), std::pair(15, QStringList{QStringLiteral("Driver rejected gain=15")}));
        struct Row { Failure failure; int property; double value; QString name, logged; };
        for (const Row &r : {Row{Failure::Standard, cv::CAP_PROP_BRIGHTNESS, 33.5, "brightness",
                                 "Exception while setting brightness=33.5: scripted failure in set"},
                             Row{Failure::OpenCv, cv::CAP_PROP_FOCUS, 12, "focus", "OpenCV exception while setting focus=12: OpenCV("},
                             Row{Failure::Unknown, cv::CAP_PROP_EXPOSURE, -3, "exposure", "Unknown exception while setting exposure=-3"}}) {
            DiagnosticLogReader failures;
            t.camera->failNextSet(r.failure);
            QVERIFY(!a.setCameraProperty(r.property, r.value, r.name) && t.lockIsFree());
            QCOMPARE(std::pair(failures.messages().size(), failures.messages().value(0).left(r.logged.size())), std::pair(qsizetype(1), r.logged));
        }
        QVERIFY(a.setCameraProperty(cv::CAP_PROP_BRIGHTNESS, 34, QStringLiteral("brightness")));

        // The driver's own dialog: a device known to have none is not asked, a refusal is said;
        // a driver that throws, or cannot even say whether it is open, is logged and leaves the lock free.
        t.camera->takeWrites();
        t.camera->refuseProperty(cv::CAP_PROP_SETTINGS);
        for (const bool pages : {false, true}) {
            t.platform().driverDialog = pages;
            a.statusLabel()->clear();
            a.openDriverSettings();
            QCOMPARE(a.statusLabel()->text(), QStringLiteral("This camera's driver has no settings dialog"));
        }
        t.camera->failNextSet(Failure::OpenCv);
        a.openDriverSettings();
        t.camera->failIsOpened(Failure::Standard);
        a.openDriverSettings();
        t.platform().devices.clear();
        a.checkDeviceList();   // the unplug check closes the camera, asking the same driver
        t.camera->failIsOpened(Failure::None);
        // The rejected gain, three set failures, two missing dialogs, two failed ones, the list change, its check, the release.
        QVERIFY2(t.lockIsFree() && log.messages().size() == 11, qPrintable(log.messages().join('\n')));
        QCOMPARE(t.camera->takeWrites(), (Writes{{cv::CAP_PROP_SETTINGS, 1}, {cv::CAP_PROP_SETTINGS, 1}}));
        t.camera->release();
        a.openDriverSettings();   // closed: the driver is not asked
        QVERIFY(t.camera->takeWrites().empty());
    }

    void zoomSettlesWithTheSpinBox()
    {
        CaptureTestWindow t;
        auto &a = t.access;
        // The spin box rounds 1.21 to 1.2 and feeds that back: everything settles on 1.2. Already
        // showing 1.2, the spin box stays quiet and the unrounded factor stands.
        for (const double settled : {1.2, 1.21}) {
            emit a.imageView()->zoomRequested(1.21);
            QCOMPARE(std::tuple(a.zoomFactor(), a.imageView()->zoomFactor(), a.zoomSpin()->value()), std::tuple(settled, settled, 1.2));
        }
    }

    void openShowsWhatTheCameraHolds()
    {
        CaptureTestWindow t;
        auto &a = t.access;
        int brightness = 22, autoExposureMode = 3;
        t.platform().controlSourceFactory = [&](int) { return panelControls(brightness, 300, 3, -5, 1, autoExposureMode); };
        a.openCamera();
        QCOMPARE(QList<int>({a.brightnessSpin()->value(), a.focusSlider()->value(), a.gainSpin()->value(), a.exposureSlider()->value(),
                             a.autoFocusCheck()->isChecked(), a.autoExposureCheck()->isChecked()}),
                 QList<int>({22, 300, 3, -5, 1, 1}));
        // The camera refuses manual values now: the pairs say so instead of failing silently.
        QCOMPARE(std::tuple(a.focusSlider()->isEnabled(), a.exposureSpin()->isEnabled(), a.focusSpin()->toolTip().isEmpty()), std::tuple(false, false, false));
        QVERIFY(t.camera->takeWrites().empty());   // shown, never written back
        a.autoExposureCheck()->setChecked(false);
        QCOMPARE(std::pair(a.exposureSlider()->isEnabled(), a.exposureSlider()->toolTip()), std::pair(true, QString()));
        QCOMPARE(t.camera->takeWrites(), (Writes{{21, 1.0}, {15, -5.0}}));

        // What the camera holds after Close and Open wins over what the panel showed before.
        a.closeCamera();
        brightness = 40;
        autoExposureMode = 1;
        a.autoExposureCheck()->setChecked(true);
        a.openCamera();
        QCOMPARE(std::tuple(a.brightnessSlider()->value(), a.autoExposureCheck()->isChecked(), a.exposureSpin()->isEnabled()), std::tuple(40, false, true));
        QVERIFY(t.camera->takeWrites().empty());
        a.closeCamera();
    }
};

QTEST_MAIN(CaptureSessionTest)
#include "capture_session_test.moc"
