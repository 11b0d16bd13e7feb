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

const QString streamLost = QStringLiteral("Camera disconnected; devices refreshed");

cv::Mat grey(int width, int height, int value)
{
    return cv::Mat(height, width, CV_8UC3, cv::Scalar::all(value));
}

// Waits without running the event loop, so no queued call or timer tick can interfere.
template <typename Predicate> bool waitPlain(Predicate done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(5ms);
    return done();
}

struct OpenFailure {
    bool device;
    bool openResult;
    Failure failure;
    QString logPrefix;
    MessageKind kind;
    QString title;
    QString text;
};

} // namespace

Q_DECLARE_METATYPE(OpenFailure)

class CaptureSessionTest : public QObject {
    Q_OBJECT

private slots:
    void openStreamsAtTargetSizeAndCloses_data()
    {
        QTest::addColumn<bool>("backendWaits");
        QTest::newRow("waiting outside the read") << true;
        QTest::newRow("read waits, as DirectShow") << false;
    }

    void openStreamsAtTargetSizeAndCloses()
    {
        QFETCH(bool, backendWaits);
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t;
        static_cast<FakeCameraPlatform &>(*t.access.platform()).waitsForFrames = backendWaits;
        t.camera->setSteadyFrame(grey(3840, 2160, 90));

        t.access.openCamera();
        QVERIFY(t.isOpen());
        const auto opens = t.camera->openCalls();
        QCOMPARE(opens.size(), size_t(1));
        QCOMPARE(opens[0].api, int(cv::CAP_V4L2));
        QCOMPARE(opens[0].params, (std::vector<int>{3, 3840, 4, 2160, 6, 0x47504A4D}));   // size and MJPG at once
        QTRY_COMPARE_WITH_TIMEOUT(t.access.resolutionLabel()->text(), QStringLiteral("3840 x 2160"), 5000);
        QCOMPARE(t.access.statusLabel()->text(), QStringLiteral("Open: vesk5"));
        QVERIFY(t.camera->setCalls().empty());   // opening writes no property

        t.access.closeCamera();
        t.access.closeCamera();
        QVERIFY(t.isClosedWithDevice());
        QVERIFY(t.access.imageView()->currentFrame().isNull());
        QCOMPARE(t.access.resolutionLabel()->text(), QStringLiteral("Target 3840 x 2160"));
        QCOMPARE(t.camera->releaseCount(), 1);
        QVERIFY(boxes.messages.isEmpty());
        QCOMPARE(log.count(QStringLiteral("First camera frame received")), 1);   // never per frame
    }

    void openFailuresLeaveCameraClosed_data()
    {
        QTest::addColumn<OpenFailure>("c");
        const auto warning = MessageKind::Warning, critical = MessageKind::Critical;
        QTest::newRow("no entry") << OpenFailure{false, true, Failure::None, {}, warning, "Camera",
                                                 "No supported VESK camera was detected."};
        QTest::newRow("open false") << OpenFailure{true, false, Failure::None, "VideoCapture::open returned false",
                                                   warning, "Camera", "Unable to open the camera."};
        QTest::newRow("cv::Exception") << OpenFailure{true, true, Failure::OpenCv,
                                                      "OpenCV exception while opening camera: OpenCV(", critical,
                                                      "Camera Error",
                                                      "An error occurred while opening the camera. The crash was "
                                                      "prevented. Please send vesk-diagnostic.log to the developer."};
        QTest::newRow("std::exception") << OpenFailure{true, true, Failure::Standard,
                                                       "Standard exception while opening camera: scripted failure in open",
                                                       critical, "VESK", "scripted failure in open"};
        QTest::newRow("unknown") << OpenFailure{true, true, Failure::Unknown, "Unknown exception while opening camera",
                                                critical, "VESK", "An unknown error occurred while opening the camera."};
    }

    void openFailuresLeaveCameraClosed()
    {
        QFETCH(OpenFailure, c);
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t(c.device);
        t.camera->setOpenResult(c.openResult);
        t.camera->failOpen(c.failure);

        t.access.openCamera();
        QCOMPARE(boxes.messages.size(), 1);
        QCOMPARE(boxes.messages[0].kind, c.kind);
        QCOMPARE(boxes.messages[0].title, c.title);
        QCOMPARE(boxes.messages[0].text, c.text);
        QVERIFY(!t.access.frameTimer().isActive());
        QVERIFY(!log.contains(QStringLiteral("Starting capture thread")));
        if (c.device) {
            QVERIFY(t.isClosedWithDevice());
            QVERIFY2(log.containsPrefix(c.logPrefix), qPrintable(log.messages().join(QLatin1Char('\n'))));
        } else {
            QVERIFY(!t.access.openButton()->isEnabled() && !t.access.closeButton()->isEnabled());
            QVERIFY(t.camera->openCalls().empty());
        }
    }

    void stalledStreamEndsAfterItsLimit_data()
    {
        QTest::addColumn<int>("firstLimit");
        QTest::addColumn<int>("laterLimit");
        QTest::addColumn<int>("frames");
        // Either limit applied at the wrong time would end the first stream too early and the
        // second only after a minute.
        QTest::newRow("no frame at all") << 200 << 20 << 0;
        QTest::newRow("stall after frames") << 60000 << 50 << 2;
    }

    void stalledStreamEndsAfterItsLimit()
    {
        QFETCH(int, firstLimit);
        QFETCH(int, laterLimit);
        QFETCH(int, frames);
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t;
        t.access.captureTimings() = {std::chrono::milliseconds(firstLimit), std::chrono::milliseconds(laterLimit)};
        if (frames > 0)
            t.camera->queueReads({grey(64, 48, 1), cv::Mat(), grey(64, 48, 2)});
        QElapsedTimer clock;
        clock.start();

        t.access.openCamera();
        // Well before the 10 s that a read waits without a frame.
        QTRY_COMPARE_WITH_TIMEOUT(t.access.statusLabel()->text(), streamLost, 5000);
        QVERIFY(clock.elapsed() >= (frames > 0 ? laterLimit : firstLimit));
        QVERIFY(!t.access.closeButton()->isEnabled() && !t.access.captureThread().joinable());
        // No read is tried without a frame: it would wait up to 10 s, and the limit with it.
        QCOMPARE(t.camera->readCount(), frames > 0 ? 3 : 0);
        QVERIFY(log.contains(QStringLiteral("Camera stream stopped returning frames; refreshing devices")));
        QVERIFY(boxes.messages.isEmpty());
    }

    void unexpectedEndClosesCamera_data()
    {
        QTest::addColumn<Failure>("readFailure");
        QTest::addColumn<Failure>("isOpenedFailure");
        QTest::addColumn<QString>("logPrefix");
        QTest::newRow("cv::Exception") << Failure::OpenCv << Failure::None << "OpenCV exception in capture thread: OpenCV(";
        QTest::newRow("std::exception") << Failure::Standard << Failure::None
                                        << "Standard exception in capture thread: scripted failure in read";
        QTest::newRow("unknown") << Failure::Unknown << Failure::None << "Unknown exception in capture thread";
        QTest::newRow("isOpened throws") << Failure::None << Failure::Standard
                                         << "Standard exception in capture thread: scripted failure in isOpened";
        QTest::newRow("found closed") << Failure::None << Failure::None
                                      << "Camera stream ended unexpectedly; refreshing devices";
    }

    void unexpectedEndClosesCamera()
    {
        QFETCH(Failure, readFailure);
        QFETCH(Failure, isOpenedFailure);
        QFETCH(QString, logPrefix);
        DiagnosticLogReader log;
        CaptureTestWindow t;
        t.access.captureTimings() = {60000ms, 60000ms};   // only the failure itself may end the stream
        t.camera->setSteadyFrame(grey(64, 48, 7));
        t.camera->setReadInterval(1ms);

        t.access.openCamera();
        QVERIFY(t.camera->waitForReads(3, 5000ms));
        if (readFailure == Failure::None && isOpenedFailure == Failure::None)
            t.camera->dropConnection();
        t.camera->failReads(readFailure);
        t.camera->failIsOpened(isOpenedFailure);
        QVERIFY(waitPlain([&] { return !t.access.captureRunning(); }));
        // The window's other users of the device are not under test here.
        t.camera->failReads(Failure::None);
        t.camera->failIsOpened(Failure::None);

        // Without the queued loss call the window would show "open" with no frames for ever.
        QTRY_COMPARE_WITH_TIMEOUT(t.access.statusLabel()->text(), streamLost, 10000);
        QVERIFY(!t.access.closeButton()->isEnabled() && !t.access.captureThread().joinable());
        QVERIFY2(log.containsPrefix(logPrefix), qPrintable(log.messages().join(QLatin1Char('\n'))));
        QVERIFY(log.contains(QStringLiteral("Capture thread exited")));
    }

    void streamLossOfEarlierSessionIsIgnored()
    {
        CaptureTestWindow t;
        t.access.captureTimings() = {0ms, 0ms};   // the first empty read already counts as lost
        t.access.openCamera();
        QVERIFY(waitPlain([&] { return !t.access.captureRunning(); }));
        // The loss call is queued now; close and reopen before the event loop can deliver it.
        t.access.closeCamera();
        t.access.captureTimings() = {60000ms, 60000ms};
        t.camera->setSteadyFrame(grey(3840, 2160, 5));
        t.access.openCamera();

        QTRY_COMPARE_WITH_TIMEOUT(t.access.statusLabel()->text(), QStringLiteral("Open: vesk5"), 5000);
        QTest::qWait(50);
        QVERIFY(t.isOpen() && t.access.captureRunning() && t.camera->isOpened());
    }

    void newestFrameWinsUncopied()
    {
        CaptureTestWindow t;
        t.access.captureTimings() = {60000ms, 60000ms};
        const cv::Mat frames[] = {grey(64, 48, 10), grey(64, 48, 20), grey(64, 48, 30)};
        t.camera->queueReads({frames[0], frames[1], frames[2]});

        t.access.openCamera();
        // A slow consumer: all three frames arrive before the window looks at the exchange once.
        QVERIFY(t.camera->waitForFrameWaiter(5000ms));
        QVERIFY(t.access.frameReady());
        QCOMPARE(t.access.latestFrame().data, frames[2].data);   // moved through, never copied
        t.access.grabFrame();
        QCOMPARE(t.access.imageView()->currentFrame().size(), QSize(64, 48));
        QCOMPARE(qRed(t.access.imageView()->currentFrame().pixel(0, 0)), 30);
        QVERIFY(!t.access.frameReady());
        t.access.closeCamera();
    }

    void openCloseStormWithFramesFlowing()
    {
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t;
        t.camera->setSteadyFrame(grey(320, 240, 60));
        t.camera->setReadInterval(300us);
        constexpr int cycles = 200;
        for (int i = 0; i < cycles; ++i) {
            t.access.openCamera();
            QVERIFY(t.isOpen());
            if (i % 10 == 0) {
                // Let ticks present frames and a property write contend with the reads.
                QTest::qWait(40);
                t.access.brightnessSlider()->setValue(20 + (i / 10) % 2);
            }
            t.access.closeCamera();
            QVERIFY(t.isClosedWithDevice());
        }
        QCOMPARE(t.camera->releaseCount(), cycles);
        QVERIFY(!t.camera->setCalls().empty());
        QVERIFY(boxes.messages.isEmpty());
        QCOMPARE(log.count(QStringLiteral("Capture thread entered")), cycles);
        QCOMPARE(log.count(QStringLiteral("Capture thread exited")), cycles);
    }

    void closeWaitsForBlockedRead()
    {
        CaptureTestWindow t;
        t.access.captureTimings() = {60000ms, 60000ms};
        t.camera->setSteadyFrame(grey(64, 48, 3));
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

    void deviceCallsDoNotWaitForAFrame()
    {
        CaptureTestWindow t;
        t.access.captureTimings() = {60000ms, 60000ms};
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
        const auto sets = t.camera->setCalls();
        QCOMPARE(sets.size(), size_t(2));
        QCOMPARE(sets[0].propertyId, int(cv::CAP_PROP_BRIGHTNESS));
        QCOMPARE(sets[1].propertyId, int(cv::CAP_PROP_SETTINGS));
        QVERIFY(t.isClosedWithDevice());
    }
};

QTEST_MAIN(CaptureSessionTest)
#include "capture_session_test.moc"
