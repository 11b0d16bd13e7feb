#include "camera/camera_enumeration.h"
#include "camera/supported_cameras.h"
#include "tests/camera/diagnostic_log_lines.h"
#include "tests/support/fake_camera_platform.h"

#include <QTest>

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
};

QTEST_GUILESS_MAIN(CameraDiscoveryTest)
#include "camera_discovery_test.moc"
