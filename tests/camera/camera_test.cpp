#include "tests/capture/capture_test_window.h"

#include "camera/camera_enumeration.h"
#include "camera/demo/demo_camera_platform.h"
#include "camera/demo/demo_video_capture.h"
#include "camera/supported_cameras.h"

#include <opencv2/videoio.hpp>

namespace {

// Range and value of a slider/spin pair, and whether both agree and step by one.
QList<int> pairState(QSlider *slider, QSpinBox *spin)
{
    const bool inStep = slider->singleStep() == 1 && slider->pageStep() == 1 && spin->singleStep() == 1
        && slider->minimum() == spin->minimum() && slider->maximum() == spin->maximum()
        && slider->value() == spin->value();
    return {slider->minimum(), slider->maximum(), slider->value(), inStep};
}

} // namespace

class CameraTest : public QObject {
    Q_OBJECT

private slots:
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

    void enumerationKeepsBackendIndexesAndAsksOnlySupportedDevicesForRanges()
    {
        const DiagnosticLogReader log;
        FakeCameraPlatform platform;
        platform.devices = {{0, QStringLiteral("vesk5")}, {1, QString()}, {2, QStringLiteral("  vesk3.6 ")},
                            {3, QStringLiteral("Integrated Webcam")}, {4, QStringLiteral("PR-Z40")}};
        platform.ranges.insert(0, ReportedRanges{ReportedRange{0, 255, 128}, {}, {}, {}});
        platform.ranges.insert(3, ReportedRanges{ReportedRange{0, 10, 5}, {}, {}, {}});
        platform.ranges.insert(4, ReportedRanges{ReportedRange{4, 4, 9}, ReportedRange{10, 5, 7},
                                                 ReportedRange{0, 100, 300}, ReportedRange{-13, -1, -20}});
        // Device 2 cannot be bound.
        const std::vector<CameraDeviceInfo> devices = enumerateCameras(platform, true);
        QCOMPARE(std::tuple(devices.size(), devices.at(1).index, devices.at(1).name), std::tuple(std::size_t(4), 2, QStringLiteral("vesk3.6")));
        QCOMPARE(platform.rangeQueries, 3);
        QVERIFY(!devices[2].brightness.valid); // unsupported: never asked, although it could answer
        QCOMPARE(std::pair(devices[3].focus.valid, devices[3].gain.defaultValue), std::pair(false, 100));
        QCOMPARE(log.messages(),
                 QStringList({QStringLiteral("Camera ranges for vesk5: brightness=0..255 default=128, focus=fallback, "
                                             "gain=fallback, exposure=fallback"),
                              QStringLiteral("Unable to bind camera vesk3.6 for property range query"),
                              QStringLiteral("Camera ranges for PR-Z40: brightness=4..4 default=4, focus=fallback, "
                                             "gain=0..100 default=100, exposure=-13..-1 default=-13")}));

        // The hot-plug check asks for names only.
        platform.rangeQueries = 0;
        for (const CameraDeviceInfo &device : enumerateCameras(platform, false))
            QCOMPARE(std::pair(device.brightness.valid, device.focus.valid), std::pair(false, false));
        QCOMPARE(platform.rangeQueries, 0);
        QCOMPARE(log.messages().size(), 3);
    }

    void demoIsListedAfterTheRealDevicesWhichStillReachTheSystem()
    {
        auto system = std::make_unique<FakeCameraPlatform>();
        system->devices = {{0, QStringLiteral("vesk5")}, {2, QStringLiteral("Webcam")}};
        system->ranges.insert(0, ReportedRanges{ReportedRange{0, 255, 128}, {}, {}, {}});
        FakeVideoCapture *real = nullptr;
        system->captureFactory = [&real] {
            auto made = std::make_unique<FakeVideoCapture>();
            real = made.get();
            return made;
        };
        DemoCameraPlatform platform(std::move(system), *parseDemoCameraConfig(QStringLiteral("vesk3"), {}, {}, true));

        const auto devices = platform.listVideoInputs();
        QCOMPARE(std::tuple(devices.size(), devices.at(0).name, devices.at(2).name), std::tuple(std::size_t(3), QStringLiteral("vesk5"), QStringLiteral("vesk3")));
        QCOMPARE(devices[2].index, DemoVideoCapture::deviceIndex);
        const auto demo = platform.queryRanges(devices[2]), attached = platform.queryRanges(devices[0]);
        QVERIFY(demo && demo->exposure && demo->exposure->minimum == -13);
        QVERIFY(attached && attached->brightness && attached->brightness->maximum == 255);

        auto capture = platform.createCapture();
        const cv::Mat realFrame(48, 64, CV_8UC3, cv::Scalar(1, 2, 3));
        real->setSteadyFrame(realFrame);
        cv::Mat frame;
        QVERIFY(capture->open(0, cv::CAP_V4L2, {}) && real->openCalls().at(0).index == 0);
        QVERIFY(capture->read(frame) && frame.data == realFrame.data);
        QVERIFY(capture->set(cv::CAP_PROP_GAIN, 3) && real->takeWrites().size() == 1);

        // Opening the demo closes the real device; the demo's frames are its own.
        QVERIFY(capture->open(DemoVideoCapture::deviceIndex, cv::CAP_V4L2,
                              {cv::CAP_PROP_FRAME_WIDTH, 320, cv::CAP_PROP_FRAME_HEIGHT, 240}));
        QVERIFY(!real->isOpened() && capture->read(frame) && frame.size() == cv::Size(320, 240));
    }

    void driverRangesAndFallbacksReachTheSlidersWithoutDriverWrites()
    {
        QMap<int, ReportedRanges> ranges;
        ranges.insert(1, ReportedRanges{ReportedRange{0, 255, 128}, std::nullopt, ReportedRange{10, 5, 7},
                                        ReportedRange{-13, -1, -20}});
        CaptureTestWindow t({{0, QStringLiteral("Webcam")}, {1, QStringLiteral(" vesk5 ")}, {3, QStringLiteral("vesk3.6")}}, ranges);
        t.camera->open(0, 0);   // so that a leaked slider signal would reach the driver
        auto &a = t.access;

        QCOMPARE(a.deviceSignatures(), QStringList({QStringLiteral("1:vesk5"), QStringLiteral("3:vesk3.6")}));
        QCOMPARE(std::pair(a.deviceCombo()->currentText(), a.currentDeviceIndex()), std::pair(QStringLiteral("vesk5"), 1));
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
        a.deviceCombo()->setCurrentIndex(0);
        QCOMPARE(std::pair(t.camera->takeWrites().empty(), a.brightnessSlider()->maximum()), std::pair(true, 255));
    }

    void hotPlugRebuildsOnlyOnChangeAndClosesAnOpenCamera()
    {
        CaptureTestWindow t({{0, QStringLiteral("vesk5")}, {1, QStringLiteral("vesk3")}});
        auto &a = t.access;
        a.deviceCombo()->setCurrentIndex(1);
        const int queries = t.platform().rangeQueries;
        {
            const DiagnosticLogReader log;
            a.checkDeviceList();
            QCOMPARE(std::tuple(a.currentDeviceIndex(), t.platform().rangeQueries, log.messages()), std::tuple(1, queries, QStringList()));
        }

        const struct { std::vector<VideoInput> devices; QString signatures; } steps[] = {
            {{{0, QStringLiteral("Webcam")}, {1, QStringLiteral("vesk5")}, {2, QStringLiteral("vesk3")}},
             QStringLiteral("1:vesk5, 2:vesk3")},
            {{{0, QStringLiteral("vesk3")}, {1, QString()}, {2, QStringLiteral("vesk5.8")}}, QStringLiteral("0:vesk3, 2:vesk5.8")},
            {{{0, QStringLiteral("Integrated Webcam")}}, QString()},
            {{{0, QStringLiteral("vesk5")}}, QStringLiteral("0:vesk5")},
        };
        QString previous = QStringLiteral("0:vesk5, 1:vesk3");
        for (const auto &step : steps) {
            // Every change closes an open camera, also one that only adds a device.
            t.camera->open(0, 0);
            const DiagnosticLogReader log;
            t.platform().devices = step.devices;
            a.checkDeviceList();
            QCOMPARE(a.deviceSignatures().join(QStringLiteral(", ")), step.signatures);
            // The rebuild adds its range-query lines after the change line.
            QCOMPARE(log.messages().value(0),
                     QStringLiteral("Camera device list changed: %1 -> %2").arg(previous, step.signatures));
            QCOMPARE(a.deviceCombo()->currentIndex(), 0);
            QCOMPARE(a.statusLabel()->text(), QStringLiteral("Camera disconnected; switched to closed state"));
            QCOMPARE(std::tuple(t.camera->isOpened(), a.closeButton()->isEnabled(), a.driverSettingsButton()->isEnabled()), std::tuple(false, false, false));
            const bool found = !step.signatures.isEmpty();
            QCOMPARE(std::pair(a.openButton()->isEnabled(), a.deviceCombo()->isEnabled()), std::pair(found, found));
            if (!found) {
                QCOMPARE(a.deviceCombo()->currentText(), QStringLiteral("No supported VESK camera detected"));
                QCOMPARE(std::pair(a.deviceCombo()->currentData().isNull(), a.resolutionLabel()->text()), std::pair(true, QStringLiteral("--")));
            }
            previous = step.signatures;
        }
        QCOMPARE(a.currentDeviceIndex(), 0);

        // A lost stream rebuilds the list although it did not change; the next check sees no change.
        const int before = t.platform().rangeQueries;
        a.refreshAfterStreamLoss();
        QCOMPARE(a.statusLabel()->text(), QStringLiteral("Camera disconnected; devices refreshed"));
        QCOMPARE(t.platform().rangeQueries, before + 1);
        const DiagnosticLogReader log;
        a.checkDeviceList();
        QVERIFY(log.messages().isEmpty());

        // Nothing else drives the check: the window's own timer must.
        t.platform().devices = {{0, QStringLiteral("PR-Z40")}};
        QTRY_COMPARE_WITH_TIMEOUT(a.deviceCombo()->currentText(), QStringLiteral("PR-Z40"), 4000);
    }
};

QTEST_MAIN(CameraTest)
#include "camera_test.moc"
