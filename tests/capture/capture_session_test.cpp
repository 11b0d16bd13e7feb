#include "tests/capture/capture_test_window.h"
#include "tests/support/diagnostic_log_reader.h"
#include "tests/support/message_recorder.h"

#include "view/image_view.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using Failure = FakeVideoCapture::Failure;

namespace {

const QString streamLostStatus = QStringLiteral("Camera disconnected; devices refreshed");

cv::Mat colourFrame(int width, int height, int value)
{
    return cv::Mat(height, width, CV_8UC3, cv::Scalar(value, value, value));
}

// True when `expected` occurs in `messages` in this order, other lines allowed in between.
bool inOrder(const QStringList &messages, const QStringList &expected)
{
    qsizetype next = 0;
    for (const QString &message : messages) {
        if (next < expected.size() && message == expected[next])
            ++next;
    }
    return next == expected.size();
}

// Waits without running the event loop, so no queued call or timer tick can interfere.
template <typename Predicate> bool waitPlain(Predicate done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(5ms);
    return done();
}

} // namespace

class CaptureSessionTest : public QObject {
    Q_OBJECT

private slots:
    void openStreamsAtTargetSizeAndCloses_data();
    void openStreamsAtTargetSizeAndCloses();
    void openFailuresLeaveCameraClosed_data();
    void openFailuresLeaveCameraClosed();
    void noFrameAtAllEndsAfterFirstFrameLimit();
    void stallAfterFramesEndsAfterLaterLimit();
    void unexpectedEndClosesCamera_data();
    void unexpectedEndClosesCamera();
    void streamLossOfEarlierSessionIsIgnored();
    void exchangeHandsOverNewestFrameUncopied();
    void openCloseStormWithFramesFlowing();
    void closeWaitsForBlockedRead();
    void deviceCallsDoNotWaitForAFrame();
};

void CaptureSessionTest::openStreamsAtTargetSizeAndCloses_data()
{
    QTest::addColumn<bool>("backendWaits");
    QTest::newRow("waiting outside the read") << true;
    QTest::newRow("read waits, as DirectShow") << false;
}

void CaptureSessionTest::openStreamsAtTargetSizeAndCloses()
{
    QFETCH(bool, backendWaits);
    MessageRecorder boxes;
    DiagnosticLogReader log;
    CaptureTestWindow t;
    static_cast<FakeCameraPlatform &>(*t.access.platform()).waitsForFrames = backendWaits;
    t.camera->setSteadyFrame(colourFrame(3840, 2160, 90));

    t.access.openCamera();
    QVERIFY(t.isOpen());
    const auto opens = t.camera->openCalls();
    QCOMPARE(opens.size(), size_t(1));
    QCOMPARE(opens[0].index, 0);
    QCOMPARE(opens[0].api, int(cv::CAP_V4L2));
    QCOMPARE(opens[0].params, (std::vector<int>{3, 3840, 4, 2160, 6, 0x47504A4D}));

    QTRY_COMPARE_WITH_TIMEOUT(t.access.resolutionLabel()->text(), QStringLiteral("3840 x 2160"), 5000);
    QCOMPARE(t.access.statusLabel()->text(), QStringLiteral("Open: vesk5"));
    QCOMPARE(t.access.imageView()->currentFrame().size(), QSize(3840, 2160));
    QVERIFY(t.camera->setCalls().empty());   // opening writes no property

    t.access.closeCamera();
    QVERIFY(t.isClosedWithDevice());
    QVERIFY(t.access.imageView()->currentFrame().isNull());
    QCOMPARE(t.access.resolutionLabel()->text(), QStringLiteral("Target 3840 x 2160"));
    t.access.closeCamera();
    QVERIFY(t.isClosedWithDevice());
    QCOMPARE(t.camera->releaseCount(), 1);
    QVERIFY(boxes.messages.isEmpty());

    const QStringList messages = log.messages();
    QVERIFY2(inOrder(messages, {QStringLiteral("Open camera requested"),
                                QStringLiteral("Opening V4L2 device index 0 (vesk5) as MJPG 3840 x 2160"),
                                QStringLiteral("Device opened with atomic MJPG format parameters"),
                                QStringLiteral("Skipping startup property reads for driver compatibility"),
                                QStringLiteral("Starting capture thread")}),
             qPrintable(messages.join(QLatin1Char('\n'))));
    QVERIFY(inOrder(messages, {QStringLiteral("Capture thread entered"), QStringLiteral("First camera frame received"),
                               QStringLiteral("Capture thread exited")}));
    QCOMPARE(messages.count(QStringLiteral("Open camera sequence completed")), 1);
    QCOMPARE(messages.count(QStringLiteral("First camera frame received")), 1);
}

void CaptureSessionTest::openFailuresLeaveCameraClosed_data()
{
    QTest::addColumn<bool>("device");
    QTest::addColumn<bool>("openResult");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("logPrefix");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");

    const QString errorText = QStringLiteral("An error occurred while opening the camera. The crash was prevented. "
                                             "Please send vesk-diagnostic.log to the developer.");
    QTest::newRow("no entry") << false << true << int(Failure::None) << QString() << int(MessageKind::Warning)
                              << QStringLiteral("Camera") << QStringLiteral("No supported VESK camera was detected.");
    QTest::newRow("open false") << true << false << int(Failure::None)
                                << QStringLiteral("VideoCapture::open returned false") << int(MessageKind::Warning)
                                << QStringLiteral("Camera") << QStringLiteral("Unable to open the camera.");
    QTest::newRow("cv::Exception") << true << true << int(Failure::OpenCv)
                                   << QStringLiteral("OpenCV exception while opening camera: OpenCV(")
                                   << int(MessageKind::Critical) << QStringLiteral("Camera Error") << errorText;
    QTest::newRow("std::exception") << true << true << int(Failure::Standard)
                                    << QStringLiteral("Standard exception while opening camera: scripted failure in open")
                                    << int(MessageKind::Critical) << QStringLiteral("VESK")
                                    << QStringLiteral("scripted failure in open");
    QTest::newRow("unknown") << true << true << int(Failure::Unknown)
                             << QStringLiteral("Unknown exception while opening camera") << int(MessageKind::Critical)
                             << QStringLiteral("VESK") << QStringLiteral("An unknown error occurred while opening the camera.");
}

void CaptureSessionTest::openFailuresLeaveCameraClosed()
{
    QFETCH(bool, device);
    QFETCH(bool, openResult);
    QFETCH(int, failure);
    QFETCH(QString, logPrefix);
    QFETCH(int, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);

    MessageRecorder boxes;
    DiagnosticLogReader log;
    CaptureTestWindow t(device);
    t.camera->setOpenResult(openResult);
    t.camera->failOpen(Failure(failure));

    t.access.openCamera();

    QCOMPARE(boxes.messages.size(), 1);
    QCOMPARE(int(boxes.messages[0].kind), kind);
    QCOMPARE(boxes.messages[0].title, title);
    QCOMPARE(boxes.messages[0].text, text);
    QVERIFY(!t.access.captureThread().joinable());
    QVERIFY(!t.access.frameTimer().isActive());
    QVERIFY(!t.access.closeButton()->isEnabled());
    QVERIFY(!t.access.driverSettingsButton()->isEnabled());
    if (device) {
        QVERIFY(t.isClosedWithDevice());
        QVERIFY2(log.containsPrefix(logPrefix), qPrintable(log.messages().join(QLatin1Char('\n'))));
        QVERIFY(!log.contains(QStringLiteral("Starting capture thread")));
    } else {
        QVERIFY(!t.access.openButton()->isEnabled());
        QVERIFY(t.camera->openCalls().empty());
        QVERIFY(log.contains(QStringLiteral("Open camera requested")));
        QVERIFY(!log.containsPrefix(QStringLiteral("Opening V4L2")));
    }
}

void CaptureSessionTest::noFrameAtAllEndsAfterFirstFrameLimit()
{
    MessageRecorder boxes;
    DiagnosticLogReader log;
    CaptureTestWindow t;
    t.access.captureTimings() = {200ms, 20ms};
    QElapsedTimer clock;
    clock.start();

    t.access.openCamera();
    // Well before the 10 s that a read waits without a frame.
    QTRY_COMPARE_WITH_TIMEOUT(t.access.statusLabel()->text(), streamLostStatus, 5000);
    // The shorter limit for a stream that did deliver must not apply before the first frame.
    QVERIFY(clock.elapsed() >= 200);
    QVERIFY(!t.access.closeButton()->isEnabled());
    QVERIFY(!t.access.captureThread().joinable());
    QVERIFY(inOrder(log.messages(), {QStringLiteral("Capture thread entered"),
                                     QStringLiteral("Camera stream stopped returning frames; refreshing devices"),
                                     QStringLiteral("Capture thread exited")}));
    QVERIFY(boxes.messages.isEmpty());
}

void CaptureSessionTest::stallAfterFramesEndsAfterLaterLimit()
{
    DiagnosticLogReader log;
    CaptureTestWindow t;
    // Were the first-frame limit applied after a frame, the wait below would run out first.
    t.access.captureTimings() = {60000ms, 50ms};
    t.camera->queueReads({colourFrame(64, 48, 1), cv::Mat(), colourFrame(64, 48, 2)});

    t.access.openCamera();
    QTRY_COMPARE_WITH_TIMEOUT(t.access.statusLabel()->text(), streamLostStatus, 5000);
    // No read is tried without a frame: it would wait up to 10 s, and the limit with it.
    QCOMPARE(t.camera->readCount(), 3);
    QCOMPARE(log.count(QStringLiteral("First camera frame received")), 1);
    QVERIFY(log.contains(QStringLiteral("Camera stream stopped returning frames; refreshing devices")));
}

void CaptureSessionTest::unexpectedEndClosesCamera_data()
{
    QTest::addColumn<int>("readFailure");
    QTest::addColumn<int>("isOpenedFailure");
    QTest::addColumn<QString>("logPrefix");
    QTest::newRow("cv::Exception") << int(Failure::OpenCv) << int(Failure::None)
                                   << QStringLiteral("OpenCV exception in capture thread: OpenCV(");
    QTest::newRow("std::exception") << int(Failure::Standard) << int(Failure::None)
                                    << QStringLiteral("Standard exception in capture thread: scripted failure in read");
    QTest::newRow("unknown") << int(Failure::Unknown) << int(Failure::None)
                             << QStringLiteral("Unknown exception in capture thread");
    QTest::newRow("isOpened throws") << int(Failure::None) << int(Failure::Standard)
                                     << QStringLiteral("Standard exception in capture thread: scripted failure in isOpened");
    QTest::newRow("found closed") << int(Failure::None) << int(Failure::None)
                                  << QStringLiteral("Camera stream ended unexpectedly; refreshing devices");
}

void CaptureSessionTest::unexpectedEndClosesCamera()
{
    QFETCH(int, readFailure);
    QFETCH(int, isOpenedFailure);
    QFETCH(QString, logPrefix);

    DiagnosticLogReader log;
    CaptureTestWindow t;
    t.access.captureTimings() = {60000ms, 60000ms};   // only the failure itself may end the stream
    t.camera->setSteadyFrame(colourFrame(64, 48, 7));
    t.camera->setReadInterval(1ms);

    t.access.openCamera();
    QVERIFY(t.camera->waitForReads(3, 5000ms));
    if (readFailure == int(Failure::None) && isOpenedFailure == int(Failure::None))
        t.camera->dropConnection();
    t.camera->failReads(Failure(readFailure));
    t.camera->failIsOpened(Failure(isOpenedFailure));
    QVERIFY(waitPlain([&] { return !t.access.captureRunning(); }));
    // The window's other users of the device are not under test here.
    t.camera->failReads(Failure::None);
    t.camera->failIsOpened(Failure::None);

    // Without the queued loss call the window would show "open" with no frames for ever.
    QTRY_COMPARE_WITH_TIMEOUT(t.access.statusLabel()->text(), streamLostStatus, 10000);
    QVERIFY(!t.access.closeButton()->isEnabled());
    QVERIFY(!t.access.captureThread().joinable());
    QVERIFY2(log.containsPrefix(logPrefix), qPrintable(log.messages().join(QLatin1Char('\n'))));
    QVERIFY(log.contains(QStringLiteral("Capture thread exited")));
}

void CaptureSessionTest::streamLossOfEarlierSessionIsIgnored()
{
    CaptureTestWindow t;
    t.access.captureTimings() = {0ms, 0ms};   // the first empty read already counts as lost
    t.access.openCamera();
    QVERIFY(waitPlain([&] { return !t.access.captureRunning(); }));
    // The loss call is queued now; close and reopen before the event loop can deliver it.
    t.access.closeCamera();
    t.access.captureTimings() = {60000ms, 60000ms};
    t.camera->setSteadyFrame(colourFrame(3840, 2160, 5));
    t.access.openCamera();
    QVERIFY(t.isOpen());

    QTRY_COMPARE_WITH_TIMEOUT(t.access.statusLabel()->text(), QStringLiteral("Open: vesk5"), 5000);
    QTest::qWait(50);
    QVERIFY(t.isOpen());
    QVERIFY(t.access.captureRunning());
    QVERIFY(t.camera->isOpened());
}

void CaptureSessionTest::exchangeHandsOverNewestFrameUncopied()
{
    CaptureTestWindow t;
    t.access.captureTimings() = {60000ms, 60000ms};
    const cv::Mat frames[] = {colourFrame(64, 48, 10), colourFrame(64, 48, 20), colourFrame(64, 48, 30)};
    t.camera->queueReads({frames[0], frames[1], frames[2]});

    t.access.openCamera();
    // A slow consumer: three frames arrive before the window looks at the exchange once.
    QVERIFY(t.camera->waitForFrameWaiter(5000ms));
    {
        std::lock_guard lock(t.access.frameMutex());
        QVERIFY(t.access.frameReady());
        QCOMPARE(t.access.latestFrame().data, frames[2].data);   // moved through, never copied
    }
    const auto delivered = t.camera->deliveredData();
    QCOMPARE(delivered.size(), size_t(3));
    QCOMPARE(delivered[2], frames[2].data);

    t.access.grabFrame();
    const QImage shown = t.access.imageView()->currentFrame();
    QCOMPARE(shown.size(), QSize(64, 48));
    QCOMPARE(qRed(shown.pixel(0, 0)), 30);
    QVERIFY(!t.access.frameReady());
    t.access.closeCamera();

    // Filling the caller's matrix, a backend gets back the buffers already shown instead of
    // allocating a frame-sized one per read.
    t.camera->setCopyIntoOutput(true);
    t.camera->setSteadyFrame(colourFrame(640, 480, 40));
    t.camera->setReadInterval(std::chrono::milliseconds(2));
    t.access.openCamera();
    t.access.frameTimer().stop();   // ticks are driven by hand below
    for (int i = 0; i < 5; ++i) {
        QVERIFY(waitPlain([&] {
            std::lock_guard lock(t.access.frameMutex());
            return t.access.frameReady();
        }));
        t.access.grabFrame();
        // Two passes later the read that got the handed-back buffer has finished.
        QVERIFY(t.camera->waitForReads(t.camera->readCount() + 3, 5000ms));
    }
    QVERIFY(t.camera->reusedOutputs() >= 5);
    QCOMPARE(qRed(t.access.imageView()->currentFrame().pixel(0, 0)), 40);
    t.access.closeCamera();
}

void CaptureSessionTest::openCloseStormWithFramesFlowing()
{
    MessageRecorder boxes;
    DiagnosticLogReader log;
    CaptureTestWindow t;
    t.camera->setSteadyFrame(colourFrame(320, 240, 60));
    t.camera->setReadInterval(300us);

    constexpr int cycles = 200;
    for (int i = 0; i < cycles; ++i) {
        t.access.openCamera();
        QVERIFY(t.isOpen());
        if (i % 10 == 0) {
            // Let ticks present frames and a property write contend with the reads.
            QTest::qWait(40);
            t.access.brightnessSlider()->setValue((i / 10) % 2 == 0 ? 20 : 21);
        }
        t.access.closeCamera();
        QVERIFY(t.isClosedWithDevice());
    }
    QCOMPARE(t.camera->openCalls().size(), size_t(cycles));
    QCOMPARE(t.camera->releaseCount(), cycles);
    QVERIFY(!t.camera->setCalls().empty());
    QVERIFY(boxes.messages.isEmpty());
    QCOMPARE(log.count(QStringLiteral("Capture thread entered")), cycles);
    QCOMPARE(log.count(QStringLiteral("Capture thread exited")), cycles);
}

void CaptureSessionTest::closeWaitsForBlockedRead()
{
    CaptureTestWindow t;
    t.access.captureTimings() = {60000ms, 60000ms};
    t.camera->setSteadyFrame(colourFrame(64, 48, 3));
    t.access.openCamera();
    QVERIFY(t.camera->waitForReads(1, 5000ms));
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

    QVERIFY(!releasedUnderRead);
    QCOMPARE(t.camera->releaseCount(), 1);
    QVERIFY(!t.access.frameReady());   // the frame the released read returned is dropped
    QTest::qWait(30);
    QVERIFY(t.isClosedWithDevice());
}

void CaptureSessionTest::deviceCallsDoNotWaitForAFrame()
{
    CaptureTestWindow t;
    t.access.captureTimings() = {60000ms, 60000ms};
    t.camera->queueReads({colourFrame(64, 48, 1)});   // one frame, then the camera stalls
    t.access.openCamera();
    QVERIFY(t.camera->waitForFrameWaiter(5000ms));

    // A read now would wait 10 s for a frame; the window's own calls on the device must not.
    QElapsedTimer clock;
    clock.start();
    t.access.brightnessSlider()->setValue(40);
    t.access.openDriverSettings();
    const qint64 callsTook = clock.restart();
    t.access.closeCamera();
    const qint64 closeTook = clock.elapsed();

    QVERIFY2(callsTook < 1000, qPrintable(QString::number(callsTook)));
    QVERIFY2(closeTook < 1000, qPrintable(QString::number(closeTook)));
    const auto sets = t.camera->setCalls();
    QCOMPARE(sets.size(), size_t(2));
    QCOMPARE(sets[0].propertyId, int(cv::CAP_PROP_BRIGHTNESS));
    QCOMPARE(sets[1].propertyId, int(cv::CAP_PROP_SETTINGS));
    QVERIFY(t.isClosedWithDevice());
}

QTEST_MAIN(CaptureSessionTest)
#include "capture_session_test.moc"
