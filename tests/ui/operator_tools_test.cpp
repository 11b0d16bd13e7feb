#include "tests/capture/capture_test_window.h"

#include "camera/supported_cameras.h"
#include "persistence/atomic_file_writer.h"
#include "persistence/camera_settings_file.h"
#include "persistence/config_path.h"
#include "ui/camera_settings_dialog.h"

#include <QFile>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace {

using Writes = CaptureTestWindow::Writes;

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
        : CaptureTestWindow({{0, model}}, {{0, ReportedRanges{ReportedRange{0, 100, 50}, ReportedRange{0, 500, 250},
                                                              ReportedRange{0, 50, 0}, ReportedRange{1, 1000, 100}}}})
    {
        access.openCamera();
    }
};

using Write = std::pair<quint32, int>;
using CaptureWrite = QPair<int, double>;

// Auto modes come before or after their manual partner, as in a UVC driver's id order.
enum : quint32 { brightness = 1, backlight, powerLine, lens, trigger, firmware, autoExposure = 10, exposure, focus = 20, autoFocus };
constexpr int brightnessProperty = 10, autoExposureProperty = 21;

// Brightness reaches below zero, focus moves in steps of 5 and the firmware number is
// read-only, as on a typical UVC camera.
CameraControl control(quint32 id, CameraControlType type, int maximum, int value, int defaultValue = 0,
                      std::vector<CameraMenuItem> items = {})
{
    CameraControl c = fakeControl(id, type, id == brightness ? -64 : 0, maximum, value);
    c.defaultValue = defaultValue;
    c.menuItems = std::move(items);
    c.step = id == focus ? 5 : 1;
    c.readOnly = id == firmware;
    return c;
}

struct Harness {
    FakeControlSource *source = nullptr;
    QList<CaptureWrite> captureWrites;
    QStringList log;
    std::unique_ptr<CameraSettingsDialog> dialog;

    explicit Harness(bool withControls = true)
    {
        auto owned = std::make_unique<FakeControlSource>();
        source = owned.get();
        if (withControls) {
            using T = CameraControlType;
            source->controls = {control(brightness, T::Integer, 64, 10), control(backlight, T::Boolean, 1, 1),
                                control(powerLine, T::Menu, 2, 2, 1, {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}),
                                control(lens, T::IntegerMenu, 1, 1, 0, {{0, "35"}, {1, "50"}}),
                                control(trigger, T::Button, 0, 0), control(firmware, T::Integer, 99, 7),
                                control(autoExposure, T::Menu, 3, 3, 1, {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}),
                                control(exposure, T::Integer, 2047, 500, 156), control(focus, T::Integer, 1000, 900),
                                control(autoFocus, T::Boolean, 1, 1)};
            source->captureProperties = {{brightness, brightnessProperty}, {autoExposure, autoExposureProperty}};
            // Manual exposure and focus are inactive while their auto mode is on.
            source->afterWrite = [](FakeControlSource &s) {
                s.control(exposure).inactive = s.control(autoExposure).value != 1;
                s.control(focus).inactive = s.control(autoFocus).value != 0;
            };
            source->afterWrite(*source);
        }
        auto writeProperty = [this](int property, double value, const QString &) {
            captureWrites.append({property, value});
            source->store(source->captureProperties.key(property), int(value));
            return true;
        };
        dialog = std::make_unique<CameraSettingsDialog>(std::move(owned), writeProperty,
                                                         [this](const QString &line) { log.append(line); });
        dialog->show();
    }

    template <typename T> T *editor(quint32 id) const
    {
        QWidget *field = dialog->controlField(id);
        auto *self = qobject_cast<T *>(field);
        return self ? self : field->findChild<T *>();
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
        t.platform().controlSourceFactory = [&](int) {
            ++sourcesOpened;
            auto fake = std::make_unique<FakeControlSource>();
            fake->controls = {fakeControl(brightness, CameraControlType::Integer, 0, 100, 50),
                              fakeControl(backlight, CameraControlType::Boolean, 0, 1, 0)};
            fake->captureProperties.insert(brightness, cv::CAP_PROP_BRIGHTNESS);
            source = fake.get();
            return fake;
        };
        t.access.openDriverSettings();   // closed: nothing opens
        QCOMPARE(std::pair(sourcesOpened, t.access.cameraSettingsDialog().isNull()), std::pair(0, true));

        QVERIFY(t.openStreaming(patternFrame(64, 48)));
        // A second press, also after the operator closed it, shows the same dialog again.
        t.access.openDriverSettings();
        QPointer<CameraSettingsDialog> dialog = t.access.cameraSettingsDialog();
        dialog->close();
        t.access.openDriverSettings();
        QCOMPARE(std::pair(t.access.cameraSettingsDialog().data(), dialog->isVisible()), std::pair(dialog.data(), true));
        QCOMPARE(sourcesOpened, 2);   // one more read what the camera holds when it opened

        // A control the capture backend has a property for goes through the capture object, once;
        // the others through the control source.
        t.camera->takeWrites();
        dialog->controlField(brightness)->findChild<QSlider *>()->setValue(70);
        qobject_cast<QCheckBox *>(dialog->controlField(backlight))->setChecked(true);
        QCOMPARE(t.camera->takeWrites(), (Writes{{cv::CAP_PROP_BRIGHTNESS, 70}}));
        QCOMPARE(source->writes, (std::vector<Write>{{backlight, 1}}));

        // Its controls belong to the closed device: none may reach the next one.
        t.access.closeCamera();
        QVERIFY(!dialog);
    }

    void snapshotSavesFullFrameAndOverlayTwinOrWarns()
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
        QDir folder(snapshotFolder());
        const QStringList files = folder.entryList(QDir::Files, QDir::Name);   // "-overlay" sorts before ".png"
        QCOMPARE(files.size(), 2);
        QVERIFY2(QRegularExpression(QStringLiteral("^vesk-\\d{8}-\\d{6}-\\d{3}\\.png$")).match(files[1]).hasMatch(), qPrintable(files[1]));
        QCOMPARE(files[0], QString(files[1]).replace(QStringLiteral(".png"), QStringLiteral("-overlay.png")));
        QVERIFY(t.access.statusLabel()->toolTip().endsWith(QDir::toNativeSeparators(folder.filePath(files[1]))));

        const QImage plain = QImage(folder.filePath(files[1])).convertToFormat(QImage::Format_RGB32);
        const QImage overlaid = QImage(folder.filePath(files[0])).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(std::pair(plain.size(), overlaid.size()), std::pair(QSize(640, 480), QSize(640, 480)));
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
            QCOMPARE(std::tuple(r, changedNear(300 + d, 220 - d), changedNear(300 - d, 220 + d), changedNear(300 + off, 220 + off)),
                     std::tuple(r, true, true, false));
        }
        QCOMPARE(std::tuple(changedNear(300 - 195, 220), changedNear(300 - 210, 220), changedNear(620, 30)), std::tuple(true, false, false));

        // A file where the folder should be defeats even root. The operator closes the camera
        // while the warning is up; the frame being presented must not reach the view afterwards.
        MessageRecorder recorder;
        const QString lastSaved = t.access.statusLabel()->toolTip();
        QVERIFY(folder.removeRecursively() && QFile(snapshotFolder()).open(QIODevice::WriteOnly));
        recorder.whileShown = [&t] { t.access.closeCamera(); };
        t.access.requestSnapshot();
        QTRY_COMPARE(recorder.messages.size(), 1);
        QCOMPARE(std::pair(recorder.messages[0].kind, recorder.messages[0].text.contains("could not be saved")), std::pair(MessageKind::Warning, true));
        QCOMPARE(std::pair(t.access.statusLabel()->toolTip(), t.access.imageView()->currentFrame().isNull()), std::pair(lastSaved, true));
        const QStringList leftovers = QDir(QCoreApplication::applicationDirPath())
                                          .entryList({QStringLiteral("*.png"), QStringLiteral("*.png.*")}, QDir::Files);
        QCOMPARE(std::pair(leftovers, QFileInfo(snapshotFolder()).isFile()), std::pair(QStringList(), true));
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
        struct Row { bool stall; QString meanwhile; QStringList returning; int reopenedIndex; QString status = {}; };
        const QStringList back{QStringLiteral("0 vesk7.1 usb-3"), QStringLiteral("2 vesk5 usb-1")};
        const Row rows[] = {{false, {}, back, 2},   // unplugged, back behind another camera
                            {true, {}, {QStringLiteral("0 vesk5 usb-1")}, 0},   // stalled, still listed
                            {false, "close", back, -1}, {false, "choose", back, -1}, {false, "untick", back, -1},
                            {false, {}, {QStringLiteral("2 vesk3 usb-1")}, -1},   // another model
                            {false, {}, {QStringLiteral("2 vesk5 usb-2")}, -1},   // same model, other port
                            {false, {}, {QStringLiteral("0 vesk5"), QStringLiteral("1 vesk5")}, -1,   // no ports: no guess
                             "Camera disconnected; cannot tell which vesk5 it was, press Open"}};
        // The stored values differ from the panel's in every field the camera takes.
        QVERIFY(writeFileAtomically(vesk5File(), "10 100 1 -9 0 0 30\n"));
        for (const Row &r : rows) {
            MessageRecorder boxes;
            CaptureTestWindow t(devices({QStringLiteral("0 vesk5 usb-1")}));
            MainWindowTestAccess &a = t.access;
            FakeCameraPlatform &platform = t.platform();
            // What the camera holds whenever it opens, as after a power cycle.
            platform.controlSourceFactory = [](int) { return panelControls(22, 300, 3, -5, 1, 3); };
            a.autoReconnectCheck()->setChecked(true);
            a.reconnectTimings().shortSession = {};   // no backing off here
            t.openStreaming(cv::Mat(2160, 3840, CV_8UC3, cv::Scalar(20, 40, 60)));
            QTRY_COMPARE(a.statusLabel()->text(), QStringLiteral("Open: vesk5"));
            a.gainSlider()->setValue(7);
            a.setZoom(2.0);
            t.camera->takeWrites();
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
            QCOMPARE(std::tuple(r.returning, int(opens.size()), boxes.messages.size()), std::tuple(r.returning, r.reopenedIndex < 0 ? 1 : 2, qsizetype(0)));
            if (!r.status.isEmpty())
                QCOMPARE(a.statusLabel()->text(), r.status);
            if (r.reopenedIndex < 0)
                continue;
            QCOMPARE(opens.back().index, r.reopenedIndex);
            // The operator's latest values come back, not the stored ones, where the camera lacks them.
            QCOMPARE(t.camera->takeWrites(), (Writes{{cv::CAP_PROP_AUTOFOCUS, 0}, {cv::CAP_PROP_AUTO_EXPOSURE, 1}, {cv::CAP_PROP_GAIN, 7}}));
            QCOMPARE(std::tuple(a.gainSpin()->value(), a.brightnessSpin()->value(), a.autoFocusCheck()->isChecked(), a.zoomFactor()), std::tuple(7, 22, false, 2.0));
            QCOMPARE(a.statusLabel()->text(), QStringLiteral("Reconnected: vesk5, waiting for video"));
            QTRY_COMPARE(a.statusLabel()->text(), QStringLiteral("Reconnected: vesk5"));
        }
    }

    void cameraThatKeepsDroppingOutIsBackedOffThenLeftClosed()
    {
        DiagnosticLogReader log;
        CaptureTestWindow t(devices({QStringLiteral("0 vesk5 usb-1")}));
        t.access.autoReconnectCheck()->setChecked(true);
        t.access.reconnectTimings().firstBackOff = std::chrono::milliseconds(200);   // every session here ends soon after its open
        QVERIFY(t.openStreaming(patternFrame(64, 48)));
        for (int loss = 1; loss <= 3; ++loss) {
            QTRY_VERIFY(t.access.lastFrameWidth() > 0);
            t.access.refreshAfterStreamLoss();
            t.access.checkDeviceList();   // too soon, each time, and after the third never
            QCOMPARE(int(t.camera->openCalls().size()), loss);
            QTRY_VERIFY(loss == 3 || (t.access.checkDeviceList(), int(t.camera->openCalls().size()) == loss + 1));
        }
        QCOMPARE(std::pair(t.access.statusLabel()->text(), t.access.closeButton()->isEnabled()), std::pair(QStringLiteral("Camera keeps dropping out; press Open to try again"), false));
        QCOMPARE(log.count(QStringLiteral("vesk5 dropped out 3 times in a row soon after opening; not reopening it again")), 1);
    }

    void settingsReturnToTheirModelWithinItsRanges()
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
        saved.close();   // Windows replaces no file that is open

        // Auto modes first; exposure stays the camera's own while its auto mode is on.
        Rig again(QStringLiteral("vesk5"));
        QVERIFY(again.camera->takeWrites() == Writes({{cv::CAP_PROP_AUTOFOCUS, 0}, {cv::CAP_PROP_AUTO_EXPOSURE, 3},
                                          {cv::CAP_PROP_BRIGHTNESS, 40}, {cv::CAP_PROP_FOCUS, 300}, {cv::CAP_PROP_GAIN, 7}}));
        QCOMPARE(std::pair(again.access.brightnessSpin()->value(), again.access.exposureSlider()->isEnabled()), std::pair(40, false));
        QCOMPARE(again.access.zoomSpin()->value(), 2.5);

        Rig otherModel(QStringLiteral("vesk3"));
        QCOMPARE(std::tuple(otherModel.camera->takeWrites().empty(), otherModel.access.zoomFactor(), boxes.messages.size()), std::tuple(true, 1.0, qsizetype(2)));

        // Only whole files, and of those only the values inside the ranges the device reports.
        const std::pair<QByteArray, Writes> files[] = {
            {"200 -5 50 1000 0 0 90\n",
             {{cv::CAP_PROP_AUTOFOCUS, 0}, {cv::CAP_PROP_AUTO_EXPOSURE, 1}, {cv::CAP_PROP_GAIN, 50}, {cv::CAP_PROP_EXPOSURE, 1000}}},
            {"20 30 4 5 0 0\n", {}}};
        for (const auto &[content, writes] : files) {
            QVERIFY(writeFileAtomically(vesk5File(), content));
            Rig rig(QStringLiteral("vesk5"));
            QCOMPARE(rig.camera->takeWrites(), writes);
            QCOMPARE(std::tuple(rig.access.brightnessSlider()->value(), rig.access.focusSlider()->value(), rig.access.zoomFactor()), std::tuple(50, 250, 1.0));
        }
    }

    void eachChangeIsOneWriteByItsRouteAndIsReadBack()
    {
        Harness h;
        // A menu with holes: the shown item is found by the driver's index, not by its row.
        QCOMPARE(h.editor<QComboBox>(autoExposure)->currentText() + h.editor<QPushButton>(trigger)->text(),
                 QStringLiteral("Aperture Priority ModeControl 5"));
        for (quint32 greyed : {exposure, firmware, focus})
            QVERIFY(!h.dialog->controlField(greyed)->isEnabled());
        QCOMPARE(std::pair(h.source->writes.size(), h.captureWrites.size()), std::pair(std::size_t(0), qsizetype(0)));   // building writes nothing

        h.editor<QSlider>(brightness)->setValue(40);
        h.editor<QSpinBox>(brightness)->setValue(-3);   // a committed number moves the slider, which alone writes
        QCOMPARE(h.captureWrites, (QList<CaptureWrite>{{brightnessProperty, 40.0}, {brightnessProperty, -3.0}}));
        h.editor<QCheckBox>(backlight)->setChecked(false);
        h.editor<QComboBox>(powerLine)->setCurrentIndex(1);
        h.editor<QPushButton>(trigger)->click();
        h.editor<QCheckBox>(autoFocus)->setChecked(false);
        h.editor<QSlider>(focus)->setValue(503);   // off the step grid: the nearest step is written and shown
        QCOMPARE(h.source->writes, (std::vector<Write>{{backlight, 0}, {powerLine, 1}, {trigger, 1}, {autoFocus, 0}, {focus, 505}}));
        QCOMPARE(std::pair(h.editor<QSpinBox>(focus)->value(), h.captureWrites.size()), std::pair(505, qsizetype(2)));

        // The driver's state is read back after every write.
        h.editor<QComboBox>(autoExposure)->setCurrentIndex(0);
        QCOMPARE(h.captureWrites.last(), CaptureWrite(autoExposureProperty, 1.0));
        QVERIFY(h.dialog->controlField(exposure)->isEnabled());
        // A refused value does not stay on screen as if the camera had taken it.
        h.source->refused.insert(powerLine);
        h.editor<QComboBox>(powerLine)->setCurrentIndex(0);
        QCOMPARE(h.editor<QComboBox>(powerLine)->currentText(), QStringLiteral("50 Hz"));
        QCOMPARE(h.log, QStringList{QStringLiteral("Driver rejected Control 3=0")});
        // A write may make the driver list another control: the rows, sender included, are rebuilt.
        h.source->afterWrite = [](FakeControlSource &s) { s.controls.push_back(fakeControl(99, CameraControlType::Boolean, 0, 1, 0)); };
        h.editor<QCheckBox>(backlight)->setChecked(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(std::pair(bool(h.dialog->controlField(99)), h.editor<QCheckBox>(backlight)->isChecked()), std::pair(true, true));
    }

    void resetWritesDefaultsOnceIncludingThoseAnAutoModeFreed()
    {
        Harness h;
        h.dialog->resetToDefaults();
        // Focus becomes editable only once auto focus, listed after it, is reset; read-only
        // controls, buttons and values already at their default are left alone.
        QCOMPARE(h.source->writes, (std::vector<Write>{{backlight, 0}, {powerLine, 1}, {lens, 0}, {exposure, 156}, {autoFocus, 0}, {focus, 0}}));
        QCOMPARE(h.captureWrites, (QList<CaptureWrite>{{brightnessProperty, 0.0}, {autoExposureProperty, 1.0}}));
        QCOMPARE(h.editor<QSlider>(exposure)->value(), 156);
        // A default the driver refuses is tried once and logged once.
        h.source->control(powerLine).value = 2;
        h.source->refused.insert(powerLine);
        h.dialog->refreshControls();
        h.dialog->resetToDefaults();
        QCOMPARE(h.log, QStringList{QStringLiteral("Driver rejected Control 3=1")});

        Harness empty(false);
        QCOMPARE(empty.dialog->findChild<QLabel *>()->text(), QStringLiteral("This camera reports no settings."));
    }
};

QTEST_MAIN(OperatorToolsTest)
#include "operator_tools_test.moc"
