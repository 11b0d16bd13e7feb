#include "tests/support/diagnostic_log_reader.h"
#include "tests/support/fake_camera_platform.h"
#include "tests/support/fake_video_capture.h"
#include "tests/support/main_window_test_access.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

namespace {

struct Rig {
    FakeCameraPlatform *platform = nullptr;
    FakeVideoCapture *capture = nullptr;
    std::unique_ptr<MainWindow> window;

    explicit Rig(std::vector<VideoInput> devices, QMap<int, ReportedRanges> ranges = {}, bool open = false)
    {
        auto fake = std::make_unique<FakeCameraPlatform>();
        fake->devices = std::move(devices);
        fake->ranges = std::move(ranges);
        fake->captureFactory = [this, open] {
            auto made = std::make_unique<FakeVideoCapture>();
            if (open)
                made->open(0, 0);
            capture = made.get();
            return made;
        };
        platform = fake.get();
        window = std::make_unique<MainWindow>(std::move(fake));
    }
    MainWindowTestAccess access() { return MainWindowTestAccess(*window); }
};

// Range and value of a slider/spin pair, and whether both agree and step by one.
QList<int> pairState(QSlider *slider, QSpinBox *spin)
{
    const bool inStep = slider->singleStep() == 1 && slider->pageStep() == 1 && spin->singleStep() == 1
        && slider->minimum() == spin->minimum() && slider->maximum() == spin->maximum()
        && slider->value() == spin->value();
    return {slider->minimum(), slider->maximum(), slider->value(), inStep};
}

} // namespace

class DeviceListTest : public QObject {
    Q_OBJECT

private slots:
    void driverRangesAndFallbacksReachTheSlidersWithoutDriverWrites()
    {
        QMap<int, ReportedRanges> ranges;
        ranges.insert(1, ReportedRanges{ReportedRange{0, 255, 128}, std::nullopt, ReportedRange{10, 5, 7},
                                        ReportedRange{-13, -1, -20}});
        // The capture is open so that a leaked slider signal would reach the driver.
        Rig rig({{0, QStringLiteral("Webcam")}, {1, QStringLiteral(" vesk5 ")}, {3, QStringLiteral("vesk3.6")}},
                ranges, true);
        auto a = rig.access();

        QCOMPARE(a.deviceSignatures(), QStringList({QStringLiteral("1:vesk5"), QStringLiteral("3:vesk3.6")}));
        QVERIFY(a.deviceCombo()->currentText() == QStringLiteral("vesk5") && a.currentDeviceIndex() == 1);
        QCOMPARE(a.resolutionLabel()->text(), QStringLiteral("Target 3840 x 2160"));
        QCOMPARE(pairState(a.brightnessSlider(), a.brightnessSpin()), QList<int>({0, 255, 128, 1}));
        QCOMPARE(pairState(a.focusSlider(), a.focusSpin()), QList<int>({0, 1023, 536, 1}));
        QCOMPARE(pairState(a.gainSlider(), a.gainSpin()), QList<int>({0, 15, 0, 1}));
        QCOMPARE(pairState(a.exposureSlider(), a.exposureSpin()), QList<int>({-13, -1, -13, 1}));

        // The second device could not be bound: every pair falls back.
        a.deviceCombo()->setCurrentIndex(1);
        QCOMPARE(a.currentDeviceIndex(), 3);
        QCOMPARE(a.resolutionLabel()->text(), QStringLiteral("Target 3264 x 2448"));
        QCOMPARE(pairState(a.brightnessSlider(), a.brightnessSpin()), QList<int>({1, 64, 32, 1}));
        QCOMPARE(pairState(a.exposureSlider(), a.exposureSpin()), QList<int>({-13, -1, -7, 1}));
        QVERIFY(rig.capture->setCalls().empty());
    }

    void hotPlugRebuildsOnlyOnChangeAndClosesAnOpenCamera()
    {
        Rig rig({{0, QStringLiteral("vesk5")}, {1, QStringLiteral("vesk3")}});
        auto a = rig.access();
        a.deviceCombo()->setCurrentIndex(1);
        const int queries = rig.platform->rangeQueries;
        {
            const DiagnosticLogReader log;
            a.checkDeviceList();
            QVERIFY(a.currentDeviceIndex() == 1 && rig.platform->rangeQueries == queries && log.messages().isEmpty());
        }

        const struct {
            std::vector<VideoInput> devices;
            QString signatures;
        } steps[] = {
            {{{0, QStringLiteral("Webcam")}, {1, QStringLiteral("vesk5")}, {2, QStringLiteral("vesk3")}},
             QStringLiteral("1:vesk5, 2:vesk3")},
            {{{0, QStringLiteral("Webcam")}, {1, QStringLiteral("vesk5.8")}, {2, QStringLiteral("vesk3")}},
             QStringLiteral("1:vesk5.8, 2:vesk3")},
            {{{0, QStringLiteral("vesk3")}, {1, QString()}, {2, QStringLiteral("vesk5.8")}},
             QStringLiteral("0:vesk3, 2:vesk5.8")},
            {{{0, QStringLiteral("Integrated Webcam")}}, QString()},
            {{{0, QStringLiteral("vesk5")}}, QStringLiteral("0:vesk5")},
        };
        QString previous = QStringLiteral("0:vesk5, 1:vesk3");
        for (const auto &step : steps) {
            // Every change closes an open camera, also one that only adds a device.
            rig.capture->open(0, 0);
            const DiagnosticLogReader log;
            rig.platform->devices = step.devices;
            a.checkDeviceList();
            QCOMPARE(a.deviceSignatures().join(QStringLiteral(", ")), step.signatures);
            // The rebuild adds its range-query lines after the change line.
            QCOMPARE(log.messages().value(0),
                     QStringLiteral("Camera device list changed: %1 -> %2").arg(previous, step.signatures));
            QCOMPARE(a.deviceCombo()->currentIndex(), 0);
            QCOMPARE(a.statusLabel()->text(), QStringLiteral("Camera disconnected; switched to closed state"));
            QVERIFY(!rig.capture->isOpened() && !a.closeButton()->isEnabled() && !a.driverSettingsButton()->isEnabled());
            const bool found = !step.signatures.isEmpty();
            QVERIFY(a.openButton()->isEnabled() == found && a.deviceCombo()->isEnabled() == found);
            if (!found) {
                QCOMPARE(a.deviceCombo()->currentText(), QStringLiteral("No supported VESK camera detected"));
                QVERIFY(a.deviceCombo()->currentData().isNull() && a.resolutionLabel()->text() == QStringLiteral("--"));
            }
            previous = step.signatures;
        }
        QCOMPARE(a.currentDeviceIndex(), 0);

        // A lost stream rebuilds the list although it did not change; the next check sees no change.
        const int before = rig.platform->rangeQueries;
        a.refreshAfterStreamLoss();
        QCOMPARE(a.statusLabel()->text(), QStringLiteral("Camera disconnected; devices refreshed"));
        QCOMPARE(rig.platform->rangeQueries, before + 1);
        const DiagnosticLogReader log;
        a.checkDeviceList();
        QVERIFY(log.messages().isEmpty());
    }
};

QTEST_MAIN(DeviceListTest)
#include "device_list_test.moc"
