#include "tests/capture/capture_test_window.h"
#include "tests/support/diagnostic_log_reader.h"
#include "tests/support/message_recorder.h"

#include "view/image_view.h"

#include <QCoreApplication>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include <chrono>
#include <thread>

// Driver faults of every kind at random moments of a stream, on a scripted capture device:
// whatever happens, the window ends each round either closed or streaming, with its capture
// thread joined when closed, no frame left behind, and only the log lines the faults explain.
using namespace std::chrono_literals;
using Failure = FakeVideoCapture::Failure;

namespace {

// Runs the event loop (ticks, queued stream-loss calls) until done or the time is up.
template <typename Predicate> bool settle(Predicate done)
{
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!done() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(1ms);
    }
    return done();
}

// Closed means joined and empty-handed: no frame may outlive the session.
bool closedAndClean(MainWindowTestAccess &a)
{
    return a.openButton()->isEnabled() == !a.deviceCombo()->currentData().toMap().isEmpty()
        && !a.closeButton()->isEnabled() && !a.frameTimer().isActive() && !a.captureThread().joinable()
        && !a.captureRunning() && a.latestFrame().empty() && !a.frameReady() && a.spareFrames().empty()
        && a.imageView()->currentFrame().isNull();
}

} // namespace

class FaultStormTest : public QObject {
    Q_OBJECT

private slots:
    void faultsAtRandomMoments()
    {
        MessageRecorder boxes;
        DiagnosticLogReader log;
        CaptureTestWindow t;
        MainWindowTestAccess &a = t.access;
        a.captureTimings() = {400ms, 150ms};
        auto &platform = static_cast<FakeCameraPlatform &>(*a.platform());
        const std::vector<VideoInput> attached = platform.devices;
        QRandomGenerator rng(11);
        const Failure kinds[] = {Failure::OpenCv, Failure::Standard, Failure::Unknown};
        const int rounds = 150;
        int ended = 0, stalls = 0, refusedWrites = 0;

        for (int round = 0; round < rounds; ++round) {
            const QByteArray where = QByteArray::number(round);
            platform.devices = attached;
            a.checkDeviceList();
            t.camera->setSteadyFrame(cv::Mat(120, 160, CV_8UC3, cv::Scalar::all(round % 200)));
            t.camera->setReadInterval(200us);
            a.openCamera();
            QVERIFY2(t.isOpen() && a.captureRunning() && a.frameTimer().isActive(), where);
            QVERIFY(t.camera->waitForReads(t.camera->readCount() + int(rng.bounded(1, 20)), 5000ms));
            const Failure kind = kinds[rng.bounded(3)];
            switch (rng.bounded(5)) {
            case 0:
                t.camera->failReads(kind);
                QVERIFY2(settle([&] { return closedAndClean(a); }), where);
                t.camera->failReads(Failure::None);
                ++ended;
                break;
            case 1:
                t.camera->failIsOpened(kind);
                QVERIFY2(settle([&] { return closedAndClean(a); }), where);
                // The hot-plug check must survive a driver that throws even when asked if it is open.
                platform.devices.clear();
                a.checkDeviceList();
                platform.devices = attached;
                a.checkDeviceList();
                QVERIFY2(closedAndClean(a), where);
                t.camera->failIsOpened(Failure::None);
                ++ended;
                break;
            case 2:
                // A refused write leaves the stream running.
                t.camera->failNextSet(kind);
                a.gainSlider()->setValue(a.gainSlider()->value() == 10 ? 11 : 10);
                ++refusedWrites;
                QVERIFY(t.camera->waitForReads(t.camera->readCount() + 3, 5000ms));
                QVERIFY2(settle([&] { return a.imageView()->currentFrame().size() == QSize(160, 120); }), where);
                QVERIFY2(t.isOpen() && a.captureRunning(), where);
                a.closeCamera();
                QVERIFY2(closedAndClean(a), where);
                break;
            case 3:
                // A stall shorter than the limit is ridden out; then frames stop coming at all.
                t.camera->setBlockingReads(true);
                QVERIFY(t.camera->waitForBlockedReader(5000ms));
                std::this_thread::sleep_for(std::chrono::milliseconds(rng.bounded(60)));
                t.camera->setBlockingReads(false);
                QVERIFY(t.camera->waitForReads(t.camera->readCount() + 5, 5000ms));
                QVERIFY2(a.captureRunning(), where);
                t.camera->setSteadyFrame(cv::Mat());
                QVERIFY2(settle([&] { return closedAndClean(a); }), where);
                ++stalls;
                break;
            default:
                // Unplugged in the middle of a read.
                t.camera->setBlockingReads(true);
                QVERIFY(t.camera->waitForBlockedReader(5000ms));
                t.camera->dropConnection();
                platform.devices.clear();
                t.camera->setBlockingReads(false);
                QVERIFY2(settle([&] { return closedAndClean(a); }), where);
                ++ended;
                break;
            }
        }

        const QRegularExpression explained(QStringLiteral(
            "^(Open camera |Unable to bind camera vesk5 |Opening V4L2 device index 0 |Device opened |Skipping startup "
            "|Starting capture thread|Capture thread (entered|exited)$|First camera frame received$"
            "|(OpenCV|Standard|Unknown) exception |Exception while setting gain=|Camera device list changed: "
            "|Camera stream (ended unexpectedly|stopped returning frames); refreshing devices$)"));
        QStringList odd;
        for (const QString &m : log.messages()) {
            if (!explained.match(m).hasMatch())
                odd << m;
        }
        QVERIFY2(odd.isEmpty(), qPrintable(odd.join(QLatin1Char('\n'))));
        QCOMPARE(log.count(QStringLiteral("Capture thread entered")), rounds);
        QCOMPARE(log.count(QStringLiteral("Capture thread exited")), rounds);
        QCOMPARE(log.count(QStringLiteral("Camera stream ended unexpectedly; refreshing devices")), ended);
        QCOMPARE(log.count(QStringLiteral("Camera stream stopped returning frames; refreshing devices")), stalls);
        QCOMPARE(log.messages().filter(QStringLiteral("while setting gain=")).size(), refusedWrites);
        QVERIFY(boxes.messages.isEmpty());
        qInfo("fault storm: %d rounds, %d streams ended, %d stalled, %d failed writes", rounds, ended, stalls, refusedWrites);
    }
};

QTEST_MAIN(FaultStormTest)
#include "fault_storm_test.moc"
