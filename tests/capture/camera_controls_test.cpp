#include "tests/capture/capture_test_window.h"
#include "tests/support/diagnostic_log_reader.h"
#include "tests/support/fake_control_source.h"

#include "view/image_view.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

using Failure = FakeVideoCapture::Failure;
using Calls = std::vector<std::pair<int, double>>;

namespace {

// Recorded writes since the last call, as (property id, value) pairs.
Calls takeWrites(FakeVideoCapture *camera)
{
    Calls calls;
    for (const auto &call : camera->setCalls())
        calls.emplace_back(call.propertyId, call.value);
    camera->clearSetCalls();
    return calls;
}

// An opened device without a capture thread: writes are all that reaches it.
struct OpenedWindow : CaptureTestWindow {
    OpenedWindow() { camera->open(0, cv::CAP_V4L2); }
};

bool lockIsFree(MainWindowTestAccess &a)
{
    const bool free = a.captureMutex().try_lock();
    if (free)
        a.captureMutex().unlock();
    return free;
}

} // namespace

class CameraControlsTest : public QObject {
    Q_OBJECT

private slots:
    void controlsWriteTheirProperty()
    {
        OpenedWindow t;
        DiagnosticLogReader log;   // made after the window: only what the controls write counts
        auto &a = t.access;
        a.brightnessSlider()->setValue(40);
        a.gainSlider()->setValue(5);
        a.focusSlider()->setValue(600);
        a.exposureSlider()->setValue(-5);
        QCOMPARE(takeWrites(t.camera), (Calls{{10, 40.0}, {14, 5.0}, {28, 600.0}, {15, -5.0}}));
        // A committed spin box value moves the slider and is written exactly once.
        a.brightnessSpin()->setValue(41);
        QCOMPARE(a.brightnessSlider()->value(), 41);
        QCOMPARE(takeWrites(t.camera), (Calls{{10, 41.0}}));

        t.camera->release();
        a.brightnessSlider()->setValue(42);
        QCOMPARE(a.brightnessSpin()->value(), 42);
        QVERIFY(takeWrites(t.camera).empty());
        QVERIFY(!a.setCameraProperty(cv::CAP_PROP_GAIN, 3.0, QStringLiteral("gain")));
        QVERIFY(log.messages().isEmpty());
    }

    void autoModesGoBeforeManualValues()
    {
        OpenedWindow t;
        auto &a = t.access;
        a.focusSlider()->setValue(700);
        takeWrites(t.camera);
        a.autoFocusCheck()->setChecked(true);
        QVERIFY(!a.focusSlider()->isEnabled() && !a.focusSpin()->isEnabled());
        a.focusSlider()->setValue(701);   // moves the widgets only while auto focus is on
        a.autoFocusCheck()->setChecked(false);
        QVERIFY(a.focusSlider()->isEnabled());
        QCOMPARE(takeWrites(t.camera), (Calls{{39, 1.0}, {39, 0.0}, {28, 701.0}}));

        // V4L2 means 3 = aperture priority, 1 = manual; DirectShow's fractions would be rounded the wrong way.
        a.autoExposureCheck()->setChecked(true);
        a.exposureSlider()->setValue(-4);
        a.autoExposureCheck()->setChecked(false);
        QCOMPARE(takeWrites(t.camera), (Calls{{21, 3.0}, {21, 1.0}, {15, -4.0}}));

        a.gainSlider()->setValue(7);
        a.autoFocusCheck()->setChecked(true);
        takeWrites(t.camera);
        a.applyCameraControls();
        QCOMPARE(takeWrites(t.camera), (Calls{{10, double(a.brightnessSlider()->value())}, {39, 1.0}, {14, 7.0},
                                              {21, 1.0}, {15, -4.0}}));
    }

    void driverFailuresAreLoggedAndContained()
    {
        OpenedWindow t;
        DiagnosticLogReader log;
        auto &a = t.access;
        t.camera->refuseProperty(cv::CAP_PROP_GAIN);
        a.gainSlider()->setValue(15);
        QCOMPARE(a.gainSlider()->value(), 15);
        t.camera->failNextSet(Failure::Standard);
        QVERIFY(!a.setCameraProperty(cv::CAP_PROP_BRIGHTNESS, 33.5, QStringLiteral("brightness")));
        t.camera->failNextSet(Failure::OpenCv);
        QVERIFY(!a.setCameraProperty(cv::CAP_PROP_FOCUS, 12, QStringLiteral("focus")));
        t.camera->failNextSet(Failure::Unknown);
        QVERIFY(!a.setCameraProperty(cv::CAP_PROP_EXPOSURE, -3, QStringLiteral("exposure")));
        QVERIFY(lockIsFree(a));
        QVERIFY(a.setCameraProperty(cv::CAP_PROP_BRIGHTNESS, 34, QStringLiteral("brightness")));
        const QStringList messages = log.messages();
        QCOMPARE(messages.size(), 4);
        QCOMPARE(messages[0], QStringLiteral("Driver rejected gain=15"));
        QCOMPARE(messages[1], QStringLiteral("Exception while setting brightness=33.5: scripted failure in set"));
        QVERIFY(messages[2].startsWith(QStringLiteral("OpenCV exception while setting focus=12: OpenCV(")));
        QCOMPARE(messages[3], QStringLiteral("Unknown exception while setting exposure=-3"));

        // The driver's own dialog: a backend without one refuses quietly; one that throws, or
        // cannot even say whether it is open, is logged and leaves the lock free.
        t.camera->refuseProperty(cv::CAP_PROP_SETTINGS);
        a.openDriverSettings();
        QCOMPARE(takeWrites(t.camera).back(), std::make_pair(int(cv::CAP_PROP_SETTINGS), 1.0));
        QCOMPARE(log.messages().size(), 4);
        t.camera->failNextSet(Failure::OpenCv);
        a.openDriverSettings();
        t.camera->failIsOpened(Failure::Standard);
        a.openDriverSettings();
        t.camera->failIsOpened(Failure::None);
        QVERIFY(lockIsFree(a));
        QCOMPARE(takeWrites(t.camera).size(), size_t(1));
        QCOMPARE(log.messages().size(), 6);
        t.camera->release();
        a.openDriverSettings();   // closed: the driver is not asked
        QVERIFY(takeWrites(t.camera).empty());
    }

    void zoomIsClampedAndFollowsTheSpinBox()
    {
        CaptureTestWindow t;
        auto &a = t.access;
        a.setZoom(9.5);
        QCOMPARE(a.zoomFactor(), 8.0);
        QCOMPARE(a.zoomSlider()->value(), 80);
        QCOMPARE(a.imageView()->zoomFactor(), 8.0);
        a.setZoom(0.5);
        QCOMPARE(a.zoomFactor(), 1.0);
        a.setZoom(qQNaN());
        QCOMPARE(a.zoomFactor(), 1.0);

        // The spin box rounds 1.21 to 1.2 and feeds that back: everything settles on 1.2.
        emit a.imageView()->zoomRequested(1.21);
        QCOMPARE(a.zoomFactor(), 1.2);
        QCOMPARE(a.zoomSlider()->value(), 12);
        QCOMPARE(a.zoomSpin()->value(), 1.2);
        // Already showing 1.2, the spin box stays quiet and the unrounded factor stands.
        emit a.imageView()->zoomRequested(1.21);
        QCOMPARE(a.zoomFactor(), 1.21);
        QCOMPARE(a.imageView()->zoomFactor(), 1.21);
        a.zoomSlider()->setValue(25);
        QCOMPARE(a.zoomFactor(), 2.5);
        QCOMPARE(a.zoomSpin()->value(), 2.5);
    }

    void openShowsWhatTheCameraHolds()
    {
        CaptureTestWindow t;
        auto &a = t.access;
        int brightness = 22;
        int autoExposureMode = 3;   // aperture priority, as a UVC camera powers up
        static_cast<FakeCameraPlatform &>(*a.platform()).controlSourceFactory = [&](int) {
            auto fake = std::make_unique<FakeControlSource>();
            fake->controls = {fakeControl(1, CameraControlType::Integer, 1, 64, brightness),
                              fakeControl(2, CameraControlType::Integer, 0, 1023, 300),
                              fakeControl(3, CameraControlType::Integer, 0, 15, 3),
                              fakeControl(4, CameraControlType::Integer, -13, -1, -5),
                              fakeControl(5, CameraControlType::Boolean, 0, 1, 1),
                              fakeControl(6, CameraControlType::Menu, 0, 3, autoExposureMode)};
            fake->captureProperties = {{1, cv::CAP_PROP_BRIGHTNESS}, {2, cv::CAP_PROP_FOCUS}, {3, cv::CAP_PROP_GAIN},
                                       {4, cv::CAP_PROP_EXPOSURE},   {5, cv::CAP_PROP_AUTOFOCUS},
                                       {6, cv::CAP_PROP_AUTO_EXPOSURE}};
            return fake;
        };

        a.openCamera();
        QCOMPARE(a.brightnessSpin()->value(), 22);
        QCOMPARE(a.focusSlider()->value(), 300);
        QCOMPARE(a.gainSpin()->value(), 3);
        QCOMPARE(a.exposureSlider()->value(), -5);
        QVERIFY(a.autoFocusCheck()->isChecked() && a.autoExposureCheck()->isChecked());
        // The camera refuses manual values now: the pairs say so instead of failing silently.
        QVERIFY(!a.focusSlider()->isEnabled() && !a.exposureSpin()->isEnabled());
        QVERIFY(!a.focusSpin()->toolTip().isEmpty() && !a.exposureSlider()->toolTip().isEmpty());
        QVERIFY(takeWrites(t.camera).empty());   // shown, never written back

        a.autoExposureCheck()->setChecked(false);
        QVERIFY(a.exposureSlider()->isEnabled() && a.exposureSlider()->toolTip().isEmpty());
        QCOMPARE(takeWrites(t.camera), (Calls{{21, 1.0}, {15, -5.0}}));

        // What the camera holds after Close and Open wins over what the panel showed before.
        a.closeCamera();
        brightness = 40;
        autoExposureMode = 1;
        a.autoExposureCheck()->setChecked(true);
        a.openCamera();
        QCOMPARE(a.brightnessSlider()->value(), 40);
        QVERIFY(!a.autoExposureCheck()->isChecked() && a.exposureSpin()->isEnabled());
        QVERIFY(takeWrites(t.camera).empty());
        a.closeCamera();
    }
};

QTEST_MAIN(CameraControlsTest)
#include "camera_controls_test.moc"
