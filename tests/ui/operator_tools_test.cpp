#include "tests/capture/capture_test_window.h"

#include "camera/supported_cameras.h"
#include "persistence/camera_settings_file.h"
#include "persistence/config_path.h"
#include "ui/camera_settings_dialog.h"

#include <QFile>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSet>

#include <cmath>


namespace {

using Writes = CaptureTestWindow::Writes;

enum : quint32 { brightnessControl = 1, backlightControl = 2 };

QString snapshotFolder() { return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("snapshots")); }

void clearSnapshotFolder()
{
    QDir(snapshotFolder()).removeRecursively();
    QFile::remove(snapshotFolder());
}

// A frame whose every pixel differs from its neighbours, so a stray copy or crop shows.
cv::Mat patternFrame(int width, int height)
{
    cv::Mat frame(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            frame.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(x * 7 + y), uchar(y * 5), uchar(40 + (x ^ y) % 64));
    }
    return frame;
}

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

QString vesk5File() { return configFilePath(cameraSettingsFileName(QStringLiteral("vesk5"))); }

// An open window whose one camera reports the same ranges every time it is listed.
struct Rig : CaptureTestWindow {
    explicit Rig(const QString &model)
    {
        platform().devices = {{0, model}};
        platform().ranges[0] = ReportedRanges{ReportedRange{0, 100, 50}, ReportedRange{0, 500, 250},
                                              ReportedRange{0, 50, 0}, ReportedRange{1, 1000, 100}};
        access.openCamera();
    }
};

} // namespace

class OperatorToolsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { clearSnapshotFolder(); QFile::remove(vesk5File()); }
    void cleanupTestCase() { clearSnapshotFolder(); }

    void settingsDialogFollowsTheOpenCamera()
    {
        CaptureTestWindow t;
        int sourcesOpened = 0;
        FakeControlSource *source = nullptr;
        t.platform().controlSourceFactory = [&](int index) -> std::unique_ptr<CameraControlSource> {
            ++sourcesOpened;
            if (index != 0)
                return nullptr;
            auto fake = std::make_unique<FakeControlSource>();
            fake->controls = {fakeControl(brightnessControl, CameraControlType::Integer, 0, 100, 50),
                              fakeControl(backlightControl, CameraControlType::Boolean, 0, 1, 0)};
            fake->captureProperties.insert(brightnessControl, cv::CAP_PROP_BRIGHTNESS);
            source = fake.get();
            return fake;
        };

        // Closed: nothing opens, neither button offers itself.
        QVERIFY(!t.access.snapshotButton()->isEnabled());
        t.access.openDriverSettings();
        QVERIFY(sourcesOpened == 0 && !t.access.cameraSettingsDialog());

        QVERIFY(t.openStreaming(patternFrame(64, 48)));
        QVERIFY(t.access.snapshotButton()->isEnabled());
        t.access.openDriverSettings();
        QPointer<CameraSettingsDialog> dialog = t.access.cameraSettingsDialog();
        QVERIFY(dialog && dialog->isVisible());
        // A second press, also after the operator closed it, shows the same dialog again.
        t.access.openDriverSettings();
        dialog->close();
        t.access.openDriverSettings();
        QVERIFY(t.access.cameraSettingsDialog() == dialog && dialog->isVisible());
        QCOMPARE(sourcesOpened, 2);   // one more read what the camera holds when it opened

        // A control the capture backend has a property for goes through the capture object, once;
        // the others through the control source.
        t.takeWrites();
        dialog->controlField(brightnessControl)->findChild<QSlider *>()->setValue(70);
        qobject_cast<QCheckBox *>(dialog->controlField(backlightControl))->setChecked(true);
        QCOMPARE(t.takeWrites(), (Writes{{cv::CAP_PROP_BRIGHTNESS, 70}}));
        QCOMPARE(source->writes, (std::vector<std::pair<quint32, int>>{{backlightControl, 1}}));

        t.access.closeCamera();
        QVERIFY(!dialog && !t.access.snapshotButton()->isEnabled());
        t.access.openDriverSettings();
        QCOMPARE(sourcesOpened, 2);
    }

    void snapshotSavesFullFrameAndOverlayTwin()
    {
        CaptureTestWindow t;
        const cv::Mat frame = patternFrame(640, 480);
        QVERIFY(t.openStreaming(frame));
        // Zoomed in and panned, so a snapshot of the shown crop would be caught.
        t.access.zoomSpin()->setValue(2.0);
        t.access.centerCodeX() = 300;
        t.access.centerCodeY() = 220;
        const int radii[] = {60, 120, 180};
        for (std::size_t i = 0; i < 3; ++i) {
            t.access.circleEnableChecks()[i]->setChecked(true);
            t.access.circleRadiusSliders()[i]->setValue(radii[i]);
            t.access.circleThicknessSliders()[i]->setValue(2);
        }
        t.access.reticleEnableCheck()->setChecked(true);
        t.access.reticleLengthSlider()->setValue(200);
        t.access.reticleThicknessSlider()->setValue(2);
        t.access.reticleAngleSlider()->setValue(0);

        t.access.requestSnapshot();
        QTRY_VERIFY(t.access.statusLabel()->toolTip().startsWith(QStringLiteral("Last snapshot")));
        QVERIFY(!t.access.snapshotPending());

        QStringList files = QDir(snapshotFolder()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 2);
        files.swapItemsAt(0, 1);   // "-overlay" sorts before ".png"
        const QRegularExpression name(QStringLiteral("^vesk-\\d{8}-\\d{6}-\\d{3}\\.png$"));
        QVERIFY2(name.match(files[0]).hasMatch(), qPrintable(files[0]));
        QCOMPARE(files[1], QString(files[0]).replace(QStringLiteral(".png"), QStringLiteral("-overlay.png")));
        QVERIFY(t.access.statusLabel()->toolTip().endsWith(QDir::toNativeSeparators(QDir(snapshotFolder()).filePath(files[0]))));

        const QImage plain = QImage(QDir(snapshotFolder()).filePath(files[0])).convertToFormat(QImage::Format_RGB32);
        const QImage overlaid = QImage(QDir(snapshotFolder()).filePath(files[1])).convertToFormat(QImage::Format_RGB32);
        QVERIFY(plain.size() == QSize(640, 480) && overlaid.size() == plain.size());
        // The plain file is the whole frame, colours as the camera gave them.
        for (const QPoint p : {QPoint(0, 0), QPoint(639, 479), QPoint(17, 400)}) {
            const cv::Vec3b bgr = frame.at<cv::Vec3b>(p.y(), p.x());
            QCOMPARE(plain.pixel(p), qRgb(bgr[2], bgr[1], bgr[0]));
        }
        // The twin is drawn at frame scale around the centre code, not where the zoomed view had it.
        const auto changedNear = [&](double x, double y) {
            const QRect box(int(x) - 2, int(y) - 2, 5, 5);
            return plain.copy(box) != overlaid.copy(box);
        };
        for (const int r : radii) {   // on each circle's diagonal, away from the arms, and just off it
            const double d = r / std::sqrt(2.0), off = (r + 30) / std::sqrt(2.0);
            QVERIFY2(changedNear(300 + d, 220 - d) && changedNear(300 - d, 220 + d) && !changedNear(300 + off, 220 + off),
                     qPrintable(QString::number(r)));
        }
        QVERIFY(changedNear(300 - 195, 220) && !changedNear(300 - 210, 220) && !changedNear(620, 30));
    }

    void snapshotFailureWarnsAndLeavesNoFile()
    {
        MessageRecorder recorder;
        CaptureTestWindow t;
        QVERIFY(t.openStreaming(patternFrame(320, 240)));
        // A file where the folder should be defeats even root.
        QVERIFY(QFile(snapshotFolder()).open(QIODevice::WriteOnly));

        // The operator closes the camera while the warning is up; the frame being presented must
        // not reach the view afterwards.
        recorder.whileShown = [&t] { t.access.closeCamera(); };
        t.access.requestSnapshot();
        QTRY_COMPARE(recorder.messages.size(), 1);
        QVERIFY(recorder.messages[0].kind == MessageKind::Warning && recorder.messages[0].text.contains("could not be saved"));
        QVERIFY(t.access.statusLabel()->toolTip().isEmpty() && t.access.imageView()->currentFrame().isNull());
        const QStringList leftovers = QDir(QCoreApplication::applicationDirPath())
                                          .entryList({QStringLiteral("*.png"), QStringLiteral("*.png.*")}, QDir::Files);
        QVERIFY2(leftovers.isEmpty(), qPrintable(leftovers.join(QLatin1Char(' '))));
        QVERIFY(QFileInfo(snapshotFolder()).isFile());
    }

    void doubleClickPutsTheOverlayCentreUnderThePointer()
    {
        CaptureTestWindow t;
        ImageView *view = t.access.imageView();
        // The window is never shown, so no layout changes this: a 640 x 360 picture at (26, 26).
        view->resize(692, 412);
        QVERIFY(t.openStreaming(patternFrame(1280, 720)));
        t.access.centerOffsetCheck()->setChecked(true);
        t.access.offsetXSlider()->setValue(5);
        t.access.offsetYSlider()->setValue(-3);

        struct Case { double zoom; QPointF pan; QSize shown; QPoint code; };
        // View point (226, 126) is 200 x 100 view pixels into the picture: frame pixel (400, 200)
        // at 1x, (580 + 100, 220 + 50) at 4x. The code leaves room for the centre offset.
        for (const Case &c : {Case{1.0, {}, QSize(1280, 720), QPoint(395, 203)},
                              Case{4.0, QPointF(100, -50), QSize(320, 180), QPoint(675, 273)}}) {
            t.access.setZoom(c.zoom);
            t.access.viewOffset() = c.pan;
            QTRY_COMPARE(view->shownFrameSize(), c.shown);
            const QPointF point(226, 126);
            for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                                      QEvent::MouseButtonRelease}) {
                QMouseEvent event(type, point, point, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(view, &event);
            }
            QCOMPARE(QPoint(t.access.centerCodeXSpin()->value(), t.access.centerCodeY()), c.code);
            QCOMPARE(view->panOffset(), QPointF());
            // From the next frame on, the overlay's centre is drawn right under the pointer.
            const double scale = 640.0 / c.shown.width();
            QTRY_COMPARE(26 + view->overlaySettings().centerX * scale, point.x());
            QCOMPARE(26 + view->overlaySettings().centerY * scale, point.y());
        }
    }

    void lostCameraIsReopenedOnceWhenItReturns()
    {
        struct Row { bool stall; QString meanwhile; QStringList returning; int reopenedIndex; };
        const QStringList back{QStringLiteral("0 vesk7.1 usb-3"), QStringLiteral("2 vesk5 usb-1")};
        const Row rows[] = {{false, {}, back, 2},   // unplugged, back behind another camera
                            {true, {}, {QStringLiteral("0 vesk5 usb-1")}, 0},   // stalled, still listed
                            {false, "close", back, -1}, {false, "choose", back, -1}, {false, "untick", back, -1},
                            {false, {}, {QStringLiteral("2 vesk3 usb-1")}, -1},   // another model
                            {false, {}, {QStringLiteral("2 vesk5 usb-2")}, -1}};  // same model, other port
        for (const Row &r : rows) {
            MessageRecorder boxes;
            CaptureTestWindow t;
            MainWindowTestAccess &a = t.access;
            FakeCameraPlatform &platform = t.platform();
            platform.devices = devices({QStringLiteral("0 vesk5 usb-1")});
            a.autoReconnectCheck()->setChecked(true);
            t.openStreaming(cv::Mat(2160, 3840, CV_8UC3, cv::Scalar(20, 40, 60)));
            QTRY_COMPARE(a.statusLabel()->text(), QStringLiteral("Open: vesk5"));
            if (r.stall) {
                a.refreshAfterStreamLoss();   // what the capture thread's stall report runs
            } else {
                platform.devices.clear();
                a.checkDeviceList();
                a.checkDeviceList();   // still gone: nothing to reopen
            }
            QCOMPARE(a.statusLabel()->text(), QStringLiteral("Camera disconnected; waiting for it to return"));
            QVERIFY(a.closeButton()->isEnabled());
            if (r.meanwhile == QStringLiteral("close")) {
                a.closeButton()->click();
            } else if (r.meanwhile == QStringLiteral("choose")) {
                platform.devices = devices({QStringLiteral("0 vesk7.1 usb-3")});
                a.checkDeviceList();
                emit a.deviceCombo()->activated(0);
            } else if (r.meanwhile == QStringLiteral("untick")) {
                a.autoReconnectCheck()->setChecked(false);
            }
            QCOMPARE(a.statusLabel()->text() == QStringLiteral("Not Open"), !r.meanwhile.isEmpty());

            platform.devices = devices(r.returning);
            for (int check = 0; check < 3; ++check)
                a.checkDeviceList();
            const auto opens = t.camera->openCalls();
            QVERIFY2(int(opens.size()) == (r.reopenedIndex < 0 ? 1 : 2) && boxes.messages.isEmpty(), qPrintable(r.returning.join(',')));
            if (r.reopenedIndex < 0)
                continue;
            QCOMPARE(opens.back().index, r.reopenedIndex);
            QCOMPARE(a.statusLabel()->text(), QStringLiteral("Reconnected: vesk5, waiting for video"));
            QTRY_COMPARE(a.statusLabel()->text(), QStringLiteral("Reconnected: vesk5"));
        }
    }

    void settingsReturnToTheirModelOnly()
    {
        QSet<QString> names;
        for (const SupportedCamera &camera : supportedCameras())
            names.insert(cameraSettingsFileName(camera.name));
        QCOMPARE(names.size(), qsizetype(supportedCameras().size()));

        MessageRecorder boxes;
        {
            Rig first(QStringLiteral("vesk5"));
            MainWindowTestAccess &a = first.access;
            a.brightnessSlider()->setValue(40);
            a.focusSlider()->setValue(300);
            a.gainSlider()->setValue(7);
            a.exposureSlider()->setValue(200);
            a.autoExposureCheck()->setChecked(true);
            a.setZoom(2.5);
            a.saveParameters();
            a.closeCamera();
            a.brightnessSlider()->setValue(60);
            a.saveParameters();
        }
        QFile saved(vesk5File());
        QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
        QCOMPARE(saved.readAll(), QByteArray("40 300 7 200 0 1 25\n"));   // closed: the model's file keeps what the camera had

        // Auto modes first; exposure stays the camera's own while its auto mode is on.
        Rig again(QStringLiteral("vesk5"));
        QVERIFY(again.takeWrites() == Writes({{cv::CAP_PROP_AUTOFOCUS, 0}, {cv::CAP_PROP_AUTO_EXPOSURE, 3},
                                          {cv::CAP_PROP_BRIGHTNESS, 40}, {cv::CAP_PROP_FOCUS, 300}, {cv::CAP_PROP_GAIN, 7}}));
        QVERIFY(again.access.brightnessSpin()->value() == 40 && !again.access.exposureSlider()->isEnabled());
        QCOMPARE(again.access.zoomSpin()->value(), 2.5);

        Rig otherModel(QStringLiteral("vesk3"));
        QVERIFY(otherModel.takeWrites().empty() && otherModel.access.zoomFactor() == 1.0 && boxes.messages.size() == 2);
    }

    void onlyWholeFilesWithinTheDeviceRangesAreApplied()
    {
        QFile file(vesk5File());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("200 -5 50 1000 0 0 90\n");
        file.close();
        Rig rig(QStringLiteral("vesk5"));
        QVERIFY(rig.takeWrites() == Writes({{cv::CAP_PROP_AUTOFOCUS, 0}, {cv::CAP_PROP_AUTO_EXPOSURE, 1},
                                        {cv::CAP_PROP_GAIN, 50}, {cv::CAP_PROP_EXPOSURE, 1000}}));
        QVERIFY(rig.access.brightnessSlider()->value() == 50 && rig.access.focusSlider()->value() == 250 && rig.access.zoomFactor() == 1.0);

        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("20 30 4 5 0 0\n");
        file.close();
        Rig cut(QStringLiteral("vesk5"));
        QVERIFY(cut.takeWrites().empty());
    }
};

QTEST_MAIN(OperatorToolsTest)
#include "operator_tools_test.moc"
