#include "tests/capture/capture_test_window.h"
#include "tests/support/message_recorder.h"

#include <QTest>

#include <chrono>

namespace {

// "2 vesk5 usb-1" per device: index, name, port.
std::vector<VideoInput> devices(const QStringList &lines)
{
    std::vector<VideoInput> inputs;
    for (const QString &line : lines) {
        const QStringList parts = line.split(QLatin1Char(' '));
        inputs.push_back({parts[0].toInt(), parts[1], parts.value(2)});
    }
    return inputs;
}

} // namespace

class ReconnectTest : public QObject {
    Q_OBJECT

private slots:
    void lostCameraIsReopenedOnceWhenItReturns_data()
    {
        QTest::addColumn<bool>("stall");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<QStringList>("returning");
        QTest::addColumn<int>("reopenedIndex");
        const QStringList back{QStringLiteral("0 vesk7.1 usb-3"), QStringLiteral("2 vesk5 usb-1")};
        QTest::newRow("unplugged, back behind another camera") << false << QString() << back << 2;
        QTest::newRow("stalled, still listed") << true << QString() << QStringList{QStringLiteral("0 vesk5 usb-1")} << 0;
        QTest::newRow("closed while waiting") << false << QStringLiteral("close") << back << -1;
        QTest::newRow("another device chosen") << false << QStringLiteral("choose") << back << -1;
        QTest::newRow("switched off") << false << QStringLiteral("untick") << back << -1;
        QTest::newRow("another model comes") << false << QString() << QStringList{QStringLiteral("2 vesk3 usb-1")} << -1;
        QTest::newRow("same model, other port") << false << QString() << QStringList{QStringLiteral("2 vesk5 usb-2")} << -1;
    }

    void lostCameraIsReopenedOnceWhenItReturns()
    {
        QFETCH(bool, stall);
        QFETCH(QString, meanwhile);
        QFETCH(QStringList, returning);
        QFETCH(int, reopenedIndex);
        MessageRecorder boxes;
        CaptureTestWindow t;
        MainWindowTestAccess &a = t.access;
        auto &platform = static_cast<FakeCameraPlatform &>(*a.platform());
        platform.devices = devices({QStringLiteral("0 vesk5 usb-1")});
        a.autoReconnectCheck()->setChecked(true);
        t.camera->setSteadyFrame(cv::Mat(2160, 3840, CV_8UC3, cv::Scalar(20, 40, 60)));
        t.camera->setReadInterval(std::chrono::milliseconds(5));
        a.openCamera();
        QTRY_COMPARE_WITH_TIMEOUT(a.statusLabel()->text(), QStringLiteral("Open: vesk5"), 5000);

        if (stall) {
            a.refreshAfterStreamLoss();   // what the capture thread's stall report runs
        } else {
            platform.devices.clear();
            a.checkDeviceList();
            a.checkDeviceList();   // still gone: nothing to reopen
        }
        QCOMPARE(a.statusLabel()->text(), QStringLiteral("Camera disconnected; waiting for it to return"));
        QVERIFY(a.closeButton()->isEnabled());
        if (meanwhile == QStringLiteral("close")) {
            a.closeButton()->click();
        } else if (meanwhile == QStringLiteral("choose")) {
            platform.devices = devices({QStringLiteral("0 vesk7.1 usb-3")});
            a.checkDeviceList();
            emit a.deviceCombo()->activated(0);
        } else if (meanwhile == QStringLiteral("untick")) {
            a.autoReconnectCheck()->setChecked(false);
        }
        QCOMPARE(a.statusLabel()->text() == QStringLiteral("Not Open"), !meanwhile.isEmpty());

        platform.devices = devices(returning);
        for (int check = 0; check < 3; ++check)
            a.checkDeviceList();
        const auto opens = t.camera->openCalls();
        QCOMPARE(int(opens.size()), reopenedIndex < 0 ? 1 : 2);
        QVERIFY(boxes.messages.isEmpty());
        if (reopenedIndex < 0)
            return;
        QCOMPARE(opens.back().index, reopenedIndex);
        QCOMPARE(a.statusLabel()->text(), QStringLiteral("Reconnected: vesk5, waiting for video"));
        QTRY_COMPARE_WITH_TIMEOUT(a.statusLabel()->text(), QStringLiteral("Reconnected: vesk5"), 5000);
    }
};

QTEST_MAIN(ReconnectTest)
#include "reconnect_test.moc"
