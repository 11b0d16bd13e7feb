#include "tests/capture/capture_test_window.h"
#include "tests/support/diagnostic_log_reader.h"
#include "tests/support/message_recorder.h"

#include "view/image_view.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>

#include <chrono>

// Driver faults of every kind at random moments of a stream, on a scripted capture device:
// whatever happens, the window ends each round either closed or streaming, with its capture
// thread joined when closed, no frame left behind, and only the log lines the faults explain.
using namespace std::chrono_literals;
using Failure = FakeVideoCapture::Failure;

namespace {

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
        int ended = 0, refusedWrites = 0;

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
            switch (rng.bounded(4)) {
            case 0:
                t.camera->failReads(kind);
                QVERIFY2(QTest::qWaitFor([&] { return closedAndClean(a); }, 5000), where);
                t.camera->failReads(Failure::None);
                ++ended;
                break;
            case 1:
                t.camera->failIsOpened(kind);
                QVERIFY2(QTest::qWaitFor([&] { return closedAndClean(a); }, 5000), where);
                // The hot-plug check must survive a driver that throws even when asked if it is open.
                platform.devices.clear();
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
                QVERIFY2(QTest::qWaitFor([&] { return a.imageView()->currentFrame().size() == QSize(160, 120); }, 5000), where);
                QVERIFY2(t.isOpen() && a.captureRunning(), where);
                a.closeCamera();
                QVERIFY2(closedAndClean(a), where);
                break;
            default:
                // Unplugged in the middle of a read.
                t.camera->setBlockingReads(true);
                QVERIFY(t.camera->waitForBlockedReader(5000ms));
                t.camera->dropConnection();
                platform.devices.clear();
                t.camera->setBlockingReads(false);
                QVERIFY2(QTest::qWaitFor([&] { return closedAndClean(a); }, 5000), where);
                ++ended;
                break;
            }
        }

        const QRegularExpression explained(QStringLiteral(
            "^(Open camera |Unable to bind camera vesk5 |Opening V4L2 device index 0 |Device opened |Skipping startup "
            "|Starting capture thread|Capture thread (entered|exited)$|First camera frame received$"
            "|(OpenCV|Standard|Unknown) exception |Exception while setting gain=|Camera device list changed: "
            "|Camera stream ended unexpectedly; refreshing devices$)"));
        QStringList odd;
        for (const QString &m : log.messages()) {
            if (!explained.match(m).hasMatch())
                odd << m;
        }
        QVERIFY2(odd.isEmpty(), qPrintable(odd.join(QLatin1Char('\n'))));
        QCOMPARE(log.count(QStringLiteral("Capture thread entered")), rounds);
        QCOMPARE(log.count(QStringLiteral("Capture thread exited")), rounds);
        QCOMPARE(log.count(QStringLiteral("Camera stream ended unexpectedly; refreshing devices")), ended);
        QCOMPARE(log.messages().filter(QStringLiteral("while setting gain=")).size(), refusedWrites);
        QVERIFY(boxes.messages.isEmpty());
        qInfo("fault storm: %d rounds, %d streams ended, %d failed writes", rounds, ended, refusedWrites);
    }
};

QTEST_MAIN(FaultStormTest)
#include "fault_storm_test.moc"
