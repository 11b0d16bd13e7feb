#include "camera/camera_enumeration.h"
#include "camera/supported_cameras.h"
#include "camera/v4l2_devices.h"
#include "tests/camera/diagnostic_log_lines.h"
#include "tests/support/fake_camera_platform.h"

#include <QTemporaryDir>
#include <QTest>

#include <linux/videodev2.h>

#include <cstring>

class CameraDiscoveryTest : public QObject {
    Q_OBJECT

private slots:
    void init() { clearDiagnosticLog(); }

    void namesMatchWholeAfterTrimming()
    {
        QCOMPARE(findSupportedCamera(QStringLiteral("  vesk5  "))->targetSize, QSize(3840, 2160));
        QCOMPARE(findSupportedCamera(QStringLiteral("\tvesk3.6\n"))->targetSize, QSize(3264, 2448));
        // Prefixes of other rows must not steal their matches.
        QCOMPARE(findSupportedCamera(QStringLiteral("vesk5.8"))->name, QStringLiteral("vesk5.8"));
        QCOMPARE(findSupportedCamera(QStringLiteral("vesk3"))->name, QStringLiteral("vesk3"));
        for (const char *name : {"VESK5", "Vesk5", "vesk5.", "vesk5.8x", "vesk", "", "tarn optik x"})
            QVERIFY2(!findSupportedCamera(QString::fromUtf8(name)), name);
    }

    void enumerationKeepsBackendIndexesAndQueriesOnlySupportedDevices()
    {
        FakeCameraPlatform platform;
        platform.devices = {{0, QStringLiteral("vesk5")}, {1, QString()}, {2, QStringLiteral("  vesk3.6 ")},
                            {3, QStringLiteral("Integrated Webcam")}, {4, QStringLiteral("vesk5")}};
        platform.ranges.insert(0, ReportedRanges{ReportedRange{0, 255, 128}, {}, {}, {}});
        platform.ranges.insert(3, ReportedRanges{ReportedRange{0, 10, 5}, {}, {}, {}});
        platform.ranges.insert(4, ReportedRanges{{}, ReportedRange{0, 100, 50}, {}, {}});

        const std::vector<CameraDeviceInfo> devices = enumerateCameras(platform, true);
        QCOMPARE(devices.size(), std::size_t(4));
        QCOMPARE(devices[1].index, 2);
        QCOMPARE(devices[1].name, QStringLiteral("vesk3.6"));
        QCOMPARE(devices[3].index, 4);
        QCOMPARE(platform.rangeQueries, 3);
        QVERIFY(devices[0].brightness.valid && !devices[0].focus.valid);
        QVERIFY(!devices[2].brightness.valid); // unsupported: never asked, although it could answer
        QVERIFY(devices[3].focus.valid);

        platform.rangeQueries = 0;
        for (const CameraDeviceInfo &device : enumerateCameras(platform, false))
            QVERIFY(!device.brightness.valid && !device.focus.valid);
        QCOMPARE(platform.rangeQueries, 0);
        QCOMPARE(diagnosticLogMessages().size(), 3); // from the ranged pass only
    }

    void rangesAreValidatedClampedAndLogged()
    {
        FakeCameraPlatform platform;
        platform.devices = {{0, QStringLiteral("vesk5")}, {1, QStringLiteral("vesk7.2")}, {2, QStringLiteral("PR-Z40")}};
        platform.ranges.insert(0, ReportedRanges{ReportedRange{0, 255, 128}, {}, {}, {}});
        // Device 1 cannot be bound.
        platform.ranges.insert(2, ReportedRanges{ReportedRange{4, 4, 9}, ReportedRange{10, 5, 7},
                                                 ReportedRange{0, 100, 300}, ReportedRange{-13, -1, -20}});
        const std::vector<CameraDeviceInfo> devices = enumerateCameras(platform, true);
        QVERIFY(!devices[2].focus.valid);
        QCOMPARE(devices[2].gain.defaultValue, 100);
        QCOMPARE(devices[2].exposure.defaultValue, -13);
        QCOMPARE(diagnosticLogMessages(),
                 QStringList({QStringLiteral("Camera ranges for vesk5: brightness=0..255 default=128, focus=fallback, "
                                             "gain=fallback, exposure=fallback"),
                              QStringLiteral("Unable to bind camera vesk7.2 for property range query"),
                              QStringLiteral("Camera ranges for PR-Z40: brightness=4..4 default=4, focus=fallback, "
                                             "gain=0..100 default=100, exposure=-13..-1 default=-13")}));
    }

    void cardNamesLoseTheDriversDoubling()
    {
        const auto clean = [](const char *text) {
            char card[32] = {};
            std::memcpy(card, text, std::strlen(text));
            return cleanCardName(card, sizeof card);
        };
        QCOMPARE(clean("vesk5: vesk5"), std::string("vesk5"));
        QCOMPARE(clean("A: B: A: B"), std::string("A: B"));
        for (const char *kept : {"vesk5", "", ": ", "Cam: Other", "vesk5.8: vesk5"})
            QCOMPARE(clean(kept), std::string(kept));
        // The kernel cut the doubled name at 31 characters.
        QCOMPARE(clean("ves reticle cam: ves reticle ca"), std::string("ves reticle cam"));
        // A card that fills the field has no terminator at all.
        char full[32];
        std::memset(full, 'x', sizeof full);
        QCOMPARE(cleanCardName(full, sizeof full), std::string(32, 'x'));
    }

    void controlsAndNodeNamesMapToRanges()
    {
        v4l2_queryctrl control {};
        control.minimum = -13;
        control.maximum = -1;
        control.default_value = -7;
        control.flags = V4L2_CTRL_FLAG_INACTIVE; // inactive while an auto mode runs, still a usable range
        const auto range = rangeFromQueryCtrl(control);
        QVERIFY(range && range->minimum == -13 && range->maximum == -1 && range->defaultValue == -7);
        control.flags = V4L2_CTRL_FLAG_DISABLED;
        QVERIFY(!rangeFromQueryCtrl(control));

        QCOMPARE(videoNodeNumber("video12"), std::optional<int>(12));
        for (const char *name : {"video", "video01", "videox", "video1a", "vbi0", "video99999999999"})
            QVERIFY2(!videoNodeNumber(name), name);
    }

    void nodeScanSkipsWhatIsNotADevice()
    {
        QTemporaryDir dir;
        for (const char *name : {"video0", "video10"})
            QVERIFY(QFile(dir.filePath(QString::fromUtf8(name))).open(QIODevice::WriteOnly));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("video3")));
        QVERIFY(listV4l2CaptureNodes(dir.path().toStdString()).empty());
        QVERIFY(!queryV4l2ControlRanges(0, dir.path().toStdString()));
        QVERIFY(!queryV4l2ControlRanges(7, dir.path().toStdString()));
        QVERIFY(listV4l2CaptureNodes(dir.filePath(QStringLiteral("missing")).toStdString()).empty());
    }
};

QTEST_GUILESS_MAIN(CameraDiscoveryTest)
#include "camera_discovery_test.moc"
