#include "tests/capture/capture_test_window.h"
#include "tests/support/message_recorder.h"

#include "camera/supported_cameras.h"
#include "persistence/camera_settings_file.h"
#include "persistence/config_path.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QSet>
#include <QSlider>
#include <QTest>

namespace {

using Writes = std::vector<std::pair<int, double>>;

QString vesk5File()
{
    return configFilePath(cameraSettingsFileName(QStringLiteral("vesk5")));
}

// An open window whose one camera reports the same ranges every time it is listed.
struct Rig {
    explicit Rig(const QString &model)
    {
        auto &platform = static_cast<FakeCameraPlatform &>(*t.access.platform());
        platform.devices = {{0, model}};
        platform.ranges[0] = ReportedRanges{ReportedRange{0, 100, 50}, ReportedRange{0, 500, 250},
                                            ReportedRange{0, 50, 0}, ReportedRange{1, 1000, 100}};
        t.access.openCamera();
    }
    Writes writes() const
    {
        Writes writes;
        for (const FakeVideoCapture::SetCall &call : t.camera->setCalls())
            writes.emplace_back(call.propertyId, call.value);
        return writes;
    }
    CaptureTestWindow t;
};

} // namespace

class StoredCameraSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(vesk5File()); }

    void settingsReturnToTheirModelOnly()
    {
        QSet<QString> names;
        for (const SupportedCamera &camera : supportedCameras())
            names.insert(cameraSettingsFileName(camera.name));
        QCOMPARE(names.size(), qsizetype(supportedCameras().size()));

        MessageRecorder boxes;
        {
            Rig first(QStringLiteral("vesk5"));
            MainWindowTestAccess &a = first.t.access;
            a.brightnessSlider()->setValue(40);
            a.focusSlider()->setValue(300);
            a.gainSlider()->setValue(7);
            a.exposureSlider()->setValue(200);
            a.autoExposureCheck()->setChecked(true);
            a.setZoom(2.5);
            a.saveParameters();
            a.closeCamera();
            a.brightnessSlider()->setValue(60);
            a.saveParameters();   // closed: the model's file keeps what the camera had
        }
        QFile saved(vesk5File());
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("40 300 7 200 0 1 25\n"));

        // Auto modes first; exposure stays the camera's own while its auto mode is on.
        Rig again(QStringLiteral("vesk5"));
        QVERIFY(again.writes() == Writes({{cv::CAP_PROP_AUTOFOCUS, 0}, {cv::CAP_PROP_AUTO_EXPOSURE, 3},
                                          {cv::CAP_PROP_BRIGHTNESS, 40}, {cv::CAP_PROP_FOCUS, 300}, {cv::CAP_PROP_GAIN, 7}}));
        QCOMPARE(again.t.access.brightnessSpin()->value(), 40);
        QVERIFY(!again.t.access.exposureSlider()->isEnabled());
        QCOMPARE(again.t.access.zoomSpin()->value(), 2.5);

        Rig otherModel(QStringLiteral("vesk3"));
        QVERIFY(otherModel.writes().empty());
        QCOMPARE(otherModel.t.access.zoomFactor(), 1.0);
        QCOMPARE(boxes.messages.size(), 2);
    }

    void onlyWholeFilesWithinTheDeviceRangesAreApplied()
    {
        QFile file(vesk5File());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("200 -5 50 1000 0 0 90\n");
        file.close();
        Rig rig(QStringLiteral("vesk5"));
        QVERIFY(rig.writes() == Writes({{cv::CAP_PROP_AUTOFOCUS, 0}, {cv::CAP_PROP_AUTO_EXPOSURE, 1},
                                        {cv::CAP_PROP_GAIN, 50}, {cv::CAP_PROP_EXPOSURE, 1000}}));
        QCOMPARE(rig.t.access.brightnessSlider()->value(), 50);
        QCOMPARE(rig.t.access.focusSlider()->value(), 250);
        QCOMPARE(rig.t.access.zoomFactor(), 1.0);

        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("20 30 4 5 0 0\n");
        file.close();
        Rig cut(QStringLiteral("vesk5"));
        QVERIFY(cut.writes().empty());
    }
};

QTEST_MAIN(StoredCameraSettingsTest)
#include "stored_camera_settings_test.moc"
