#include "tests/capture/capture_test_window.h"
#include "tests/support/fake_control_source.h"
#include "tests/support/message_recorder.h"
#include "ui/camera_settings_dialog.h"
#include "view/image_view.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QImage>
#include <QRegularExpression>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <opencv2/videoio.hpp>

#include <cmath>

namespace {

enum : quint32 { brightnessControl = 1, backlightControl = 2 };

QString snapshotFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("snapshots"));
}

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

bool openWithSteadyFrame(CaptureTestWindow &t, const cv::Mat &frame)
{
    t.camera->setSteadyFrame(frame);
    t.camera->setReadInterval(std::chrono::milliseconds(5));
    t.access.openCamera();
    return t.isOpen();
}

} // namespace

class OperatorToolsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { clearSnapshotFolder(); }
    void cleanupTestCase() { clearSnapshotFolder(); }

    void settingsDialogFollowsTheOpenCamera()
    {
        CaptureTestWindow t;
        auto *platform = static_cast<FakeCameraPlatform *>(t.access.platform().get());
        int sourcesOpened = 0;
        FakeControlSource *source = nullptr;
        platform->controlSourceFactory = [&](int index) -> std::unique_ptr<CameraControlSource> {
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

        QVERIFY(openWithSteadyFrame(t, patternFrame(64, 48)));
        QVERIFY(t.access.snapshotButton()->isEnabled());
        t.access.openDriverSettings();
        QPointer<CameraSettingsDialog> dialog = t.access.cameraSettingsDialog();
        QVERIFY(dialog && dialog->isVisible());
        // A second press, also after the operator closed it, shows the same dialog again.
        t.access.openDriverSettings();
        dialog->close();
        t.access.openDriverSettings();
        QCOMPARE(t.access.cameraSettingsDialog(), dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(sourcesOpened, 2);   // one more read what the camera holds when it opened

        // A control the capture backend has a property for goes through the capture object, once;
        // the others through the control source.
        t.camera->clearSetCalls();
        dialog->controlField(brightnessControl)->findChild<QSlider *>()->setValue(70);
        qobject_cast<QCheckBox *>(dialog->controlField(backlightControl))->setChecked(true);
        const auto sets = t.camera->setCalls();
        QCOMPARE(sets.size(), std::size_t(1));
        QCOMPARE(std::make_pair(sets[0].propertyId, sets[0].value), std::make_pair(int(cv::CAP_PROP_BRIGHTNESS), 70.0));
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
        QVERIFY(openWithSteadyFrame(t, frame));
        // Zoomed in and panned, so a snapshot of the shown crop would be caught.
        t.access.zoomSpin()->setValue(2.0);
        t.access.centerCodeX() = 300;
        t.access.centerCodeY() = 220;
        const std::array<int, 3> radii{60, 120, 180};
        for (std::size_t i = 0; i < radii.size(); ++i) {
            t.access.circleEnableChecks()[i]->setChecked(true);
            t.access.circleRadiusSliders()[i]->setValue(radii[i]);
            t.access.circleThicknessSliders()[i]->setValue(2);
        }
        t.access.reticleEnableCheck()->setChecked(true);
        t.access.reticleLengthSlider()->setValue(200);
        t.access.reticleThicknessSlider()->setValue(2);
        t.access.reticleAngleSlider()->setValue(0);

        t.access.requestSnapshot();
        QTRY_VERIFY_WITH_TIMEOUT(t.access.statusLabel()->toolTip().startsWith(QStringLiteral("Last snapshot")), 5000);
        QVERIFY(!t.access.snapshotPending());

        QStringList files = QDir(snapshotFolder()).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 2);
        // "-overlay" sorts before ".png".
        files.swapItemsAt(0, 1);
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
        // Differences only on the circles and the reticle's arms at frame scale, and on each circle.
        std::array<bool, 3> circleSeen{};
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                if (plain.pixel(x, y) == overlaid.pixel(x, y))
                    continue;
                const double dx = x - 300, dy = y - 220, r = std::hypot(dx, dy);
                bool onShape = r <= 203 && (std::abs(dx) <= 3 || std::abs(dy) <= 3);   // the arms' full length
                for (std::size_t i = 0; i < radii.size(); ++i) {
                    const bool onCircle = std::abs(r - radii[i]) <= 3.0;
                    circleSeen[i] = circleSeen[i] || (onCircle && std::abs(std::abs(dx) - std::abs(dy)) <= 4);
                    onShape = onShape || onCircle;
                }
                if (!onShape)
                    QFAIL(qPrintable(QStringLiteral("overlay changed pixel %1,%2 away from its shapes").arg(x).arg(y)));
            }
        }
        QCOMPARE(circleSeen, (std::array<bool, 3>{true, true, true}));
    }

    void snapshotFailureWarnsAndLeavesNoFile()
    {
        MessageRecorder recorder;
        CaptureTestWindow t;
        QVERIFY(openWithSteadyFrame(t, patternFrame(320, 240)));
        // A file where the folder should be defeats even root.
        QVERIFY(QFile(snapshotFolder()).open(QIODevice::WriteOnly));

        // The operator closes the camera while the warning is up; the frame being presented must
        // not reach the view afterwards.
        recorder.whileShown = [&t] { t.access.closeCamera(); };
        t.access.requestSnapshot();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.messages.size(), 1, 5000);
        QCOMPARE(recorder.messages[0].kind, MessageKind::Warning);
        QVERIFY(recorder.messages[0].text.contains(QStringLiteral("could not be saved")));
        QVERIFY(t.access.statusLabel()->toolTip().isEmpty());
        QVERIFY(t.access.imageView()->currentFrame().isNull());
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
        QVERIFY(openWithSteadyFrame(t, patternFrame(1280, 720)));
        t.access.centerOffsetCheck()->setChecked(true);
        t.access.offsetXSlider()->setValue(5);
        t.access.offsetYSlider()->setValue(-3);

        struct Case {
            double zoom;
            QPointF pan;
            QSize shown;
            QPoint code;
        };
        // View point (226, 126) is 200 x 100 view pixels into the picture: frame pixel (400, 200)
        // at 1x, (580 + 100, 220 + 50) at 4x. The code leaves room for the centre offset.
        for (const Case &c : {Case{1.0, {}, QSize(1280, 720), QPoint(395, 203)},
                              Case{4.0, QPointF(100, -50), QSize(320, 180), QPoint(675, 273)}}) {
            t.access.setZoom(c.zoom);
            t.access.viewOffset() = c.pan;
            QTRY_COMPARE_WITH_TIMEOUT(view->shownFrameSize(), c.shown, 5000);
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
            QTRY_COMPARE_WITH_TIMEOUT(26 + view->overlaySettings().centerX * scale, point.x(), 5000);
            QCOMPARE(26 + view->overlaySettings().centerY * scale, point.y());
        }
    }
};

QTEST_MAIN(OperatorToolsTest)
#include "operator_tools_test.moc"
