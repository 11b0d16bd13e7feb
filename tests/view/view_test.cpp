#include "tests/capture/capture_test_window.h"

#include "view/frame_image.h"
#include "view/overlay_painter.h"
#include "view/theme.h"
#include "view/view_geometry.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QWheelEvent>

#include <cmath>

namespace {

// 692 x 412 leaves a 640 x 360 picture area at (26, 26): a 1280 x 720 frame is shown at half size.
constexpr QSize viewSize(692, 412);

bool near(const QColor &actual, const QColor &expected, int tolerance)
{
    return qAbs(actual.red() - expected.red()) <= tolerance && qAbs(actual.green() - expected.green()) <= tolerance
        && qAbs(actual.blue() - expected.blue()) <= tolerance;
}

QColor at(const QImage &image, double x, double y) { return image.pixelColor(int(x), int(y)); }

QImage solid(int width, int height, const QColor &color)
{
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(color);
    return image;
}

QImage render(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

void mouse(QWidget &widget, QEvent::Type type, QPointF position, Qt::MouseButton button = Qt::NoButton)
{
    QMouseEvent event(type, position, position, button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

// Whether the widget took the event.
bool wheel(QWidget &widget, int angleDeltaY, int angleDeltaX = 0)
{
    QWheelEvent event(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(angleDeltaX, angleDeltaY), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &event);
    return event.isAccepted();
}

// An 800 x 600 frame shown at quarter size in (50, 50, 200, 150); the centre code (402, 302)
// puts the overlay's centre on the middle of view pixel (150, 125).
constexpr double cx = 150.5, cy = 125.5;

OverlaySettings reticle(int style, double angle, double thickness = 8)
{
    return OverlaySettings{true, 402, 302, {}, true, style, 200, thickness, angle, Qt::white};
}

QImage paintOverlay(const OverlaySettings &overlay, QSize frameSize = QSize(800, 600))
{
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    drawOverlay(painter, QRectF(50, 50, 200, 150), frameSize, overlay);
    return image;
}

bool lit(const QImage &image, double x, double y) { return at(image, x, y).red() > 128 || at(image, x, y).blue() > 128; }

QStringList parseWarnings;

} // namespace

class ViewTest : public QObject {
    Q_OBJECT

private slots:
    void wheelRequestsClampedZoomWithoutApplyingIt()
    {
        ImageView view;
        QSignalSpy spy(&view, &ImageView::zoomRequested);
        view.setZoom(7.5);
        QVERIFY(wheel(view, 120));
        view.setZoom(2.0);
        wheel(view, 120);
        wheel(view, 60);   // a touchpad's small steps add up to a notch's 1.15
        view.setZoom(1.05);
        wheel(view, -120);
        // No vertical movement (a tilt wheel, a sideways swipe, a gesture's start) is no zoom.
        QCOMPARE(std::pair(wheel(view, 0), wheel(view, 0, 120)), std::pair(false, false));
        QList<double> requested;
        for (const QList<QVariant> &call : spy)
            requested << call.at(0).toDouble();
        QCOMPARE(requested, (QList<double>{8.0, 2.3, 2.0 * std::sqrt(1.15), 1.0}));
        QCOMPARE(view.zoomFactor(), 1.05);
    }

    void pointerShowsTheCameraPixelOnThePictureOnly()
    {
        // The 640 x 360 picture starts at (26, 26); at 4x panned by (100, -50) it shows `zoomed`.
        const QRect whole(0, 0, 1280, 720), zoomed(580, 220, 320, 180);
        const QPoint none(-1, -1);
        struct Row { QSize image; QRect shown; QPointF point; QPoint pixel; };
        for (const Row &r : {Row{{1280, 720}, whole, {126.25, 76.75}, {200, 101}}, Row{{320, 180}, whole, {126.25, 76.75}, {200, 101}},
                             Row{{320, 180}, whole, {665.9, 385.9}, {1279, 719}}, Row{{320, 180}, zoomed, {126.25, 76.75}, {630, 245}},
                             Row{{320, 180}, zoomed, {26, 26}, zoomed.topLeft()}, Row{{320, 180}, zoomed, {20, 100}, none},
                             Row{{320, 180}, whole, {300, 386}, none}}) {
            ImageView view;
            view.resize(viewSize);
            view.setFrame(solid(r.image.width(), r.image.height(), Qt::white), r.shown, r.shown.width() / r.image.width());
            QCOMPARE(view.framePixelAt(r.point).value_or(none), r.pixel);
            // The badge at the picture's lower left is there while the pointer is over the picture.
            mouse(view, QEvent::MouseMove, r.point);
            QCOMPARE(at(render(view), 26 + 14, 26 + 360 - 39).green() < 110, r.pixel != none);
            QSignalSpy spy(&view, &ImageView::pixelDoubleClicked);
            mouse(view, QEvent::MouseButtonDblClick, r.point, Qt::LeftButton);
            QCOMPARE(spy.count(), r.pixel != none ? 1 : 0);
        }
    }

    void dragPansAndTheScrollBarSitsInsideThePicture()
    {
        ImageView view;
        view.resize(viewSize);
        QScrollBar *vertical = nullptr;
        for (QScrollBar *bar : view.findChildren<QScrollBar *>())
            vertical = bar->orientation() == Qt::Vertical ? bar : vertical;
        // Two frame pixels per view pixel; the picture follows the hand, only with the left button.
        QSignalSpy spy(&view, &ImageView::offsetChanged);
        view.setZoom(2.0);
        view.setFrame(solid(1280, 720, Qt::gray));
        mouse(view, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
        mouse(view, QEvent::MouseMove, QPoint(111, 95));
        mouse(view, QEvent::MouseButtonRelease, QPoint(111, 95), Qt::LeftButton);
        mouse(view, QEvent::MouseButtonPress, QPoint(100, 100), Qt::RightButton);
        mouse(view, QEvent::MouseMove, QPoint(300, 300));
        QCOMPARE(std::pair(spy.count(), view.panOffset()), std::pair(qsizetype(1), QPointF(-22, 10)));
        // The vertical bar runs down the picture's right edge from just below its top.
        QVERIFY(vertical && !vertical->isHidden());
        QCOMPARE(vertical->geometry(), QRect(26 + 640 - 19, 26 + 8, 11, 360 - 35));
    }

    void frameRateIsCountedPerHalfSecondWindow()
    {
        ImageView view;
        qint64 now = 1000;
        view.setClock([&now] { return now; });
        const auto frameAfter = [&](qint64 ms) {
            now += ms;
            view.setFrame(solid(16, 9, Qt::gray));
        };
        for (int i = 0; i < 25; ++i)
            frameAfter(i == 0 ? 0 : 20);
        QCOMPARE(view.framesPerSecond(), 0.0);
        frameAfter(20);
        QCOMPARE(view.framesPerSecond(), 52.0);
        for (int i = 0; i < 25; ++i)
            frameAfter(20);
        QCOMPARE(view.framesPerSecond(), 50.0);
        // After a clear the next frame opens a fresh window, however long the pause was.
        view.clearFrame();
        QCOMPARE(view.framesPerSecond(), 0.0);
        frameAfter(60000);
        frameAfter(333);
        QCOMPARE(view.framesPerSecond(), 0.0);
        frameAfter(333);
        QCOMPARE(view.framesPerSecond(), 3000.0 / 666);
    }

    void framePaintsInsideFittedRectWithBadgesAndOverlay()
    {
        ImageView view;
        view.resize(viewSize);
        // Without a usable frame size the picture is laid out as 16:9.
        for (const QSize unusable : {QSize(), QSize(640, 0), QSize(-5, 10)})
            QCOMPARE(fitRect(QRectF(0, 0, 1600, 1600), unusable), QRectF(0, 350, 1600, 900));
        // A 4:3 frame in the 640 x 360 area is shown at (106, 26, 480, 360).
        view.setFrame(solid(400, 300, Qt::green));
        QImage image = render(view);
        for (QPoint inside : {QPoint(346, 206), QPoint(108, 206), QPoint(584, 380)})
            QVERIFY(near(at(image, inside.x(), inside.y()), Qt::green, 2));
        QCOMPARE(std::pair(near(at(image, 102, 206), Qt::green, 60), near(at(image, 590, 206), Qt::green, 60)), std::pair(false, false));
        // Dark plates 10 px inside the picture's top corners.
        QCOMPARE(std::pair(at(image, 120, 50).green() < 110, at(image, 468, 50).green() < 110), std::pair(true, true));

        OverlaySettings overlay{true, 960, 540, {}, true, Cross, 100, 6, 0, Qt::red};
        overlay.circles[1] = {true, 200, 4, Qt::blue};
        view.setOverlay(overlay);
        view.setFrame(solid(1280, 720, Qt::black));
        // Half scale: the centre lands at (26 + 480, 26 + 270), lengths are halved.
        image = render(view);
        QCOMPARE(std::pair(near(at(image, 506, 326), Qt::red, 10), near(at(image, 536, 296), Qt::red, 10)), std::pair(true, true));
        QCOMPARE(std::pair(near(at(image, 406, 296), Qt::blue, 10), near(at(image, 506, 196), Qt::blue, 10)), std::pair(true, true));
        QCOMPARE(std::pair(near(at(image, 536, 326), Qt::black, 10), near(at(image, 586, 296), Qt::black, 10)), std::pair(true, true));
        view.clearFrame();
        QVERIFY(!view.overlaySettings().enabled);
    }

    void reticleAnglesForBothStyles()
    {
        // Arms are 50 view px long; probes 30 px out from the centre. The first vane points down
        // at 0 degrees; growing angles turn counter-clockwise; an unknown style draws vanes.
        const double d = 30, h = d / std::sqrt(2.0), s = d * 0.866, c = d * 0.5;
        struct Row { int style; double angle; std::vector<QPointF> lit, dark; };
        for (const Row &r : {Row{Cross, 90, {{0, d}, {0, -d}, {d, 0}}, {{0, 60}, {h, h}}}, Row{Cross, 45, {{h, h}, {-h, h}}, {{d, 0}}},
                             Row{ThreeVane, 0, {{0, d}, {s, -c}, {-s, -c}}, {{0, -d}}},
                             Row{ThreeVane, 90, {{d, 0}, {-c, -s}}, {{-d, 0}, {0, d}}}, Row{5, 90, {{d, 0}, {-c, -s}}, {{-d, 0}, {0, d}}}}) {
            const QImage image = paintOverlay(reticle(r.style, r.angle));
            for (const auto &[points, on] : {std::pair(r.lit, true), std::pair(r.dark, false)})
                for (const QPointF p : points)
                    QVERIFY2(lit(image, cx + p.x(), cy + p.y()) == on, qPrintable(QStringLiteral("%1 at %2").arg(r.style).arg(r.angle)));
        }
    }

    void overlayPenFloorCircleOrderAndClip()
    {
        // At quarter scale thickness 8 is 2 px; thickness 2 would be 0.5 px but stays 1 px.
        const auto inkAcrossArm = [](const QImage &image) {
            double sum = 0;
            for (int x = 140; x <= 160; ++x)
                sum += qRed(image.pixel(x, int(cy) + 30)) / 255.0;
            return sum;
        };
        QVERIFY(qAbs(inkAcrossArm(paintOverlay(reticle(Cross, 0, 8))) - 2.0) < 0.2);
        QVERIFY(qAbs(inkAcrossArm(paintOverlay(reticle(Cross, 0, 2))) - 1.0) < 0.2);

        OverlaySettings overlay = reticle(Cross, 0);
        overlay.circles[0] = {true, 160, 8, Qt::blue};
        overlay.circles[2] = {false, 80, 8, Qt::green};
        QImage image = paintOverlay(overlay);
        // Radius 160 frame px is 40 view px, unfilled; the reticle lies on top where they cross.
        QVERIFY(near(at(image, cx + 28, cy - 28), Qt::blue, 40));
        QCOMPARE(std::pair(lit(image, cx + 20, cy - 20), lit(image, cx + 14, cy - 14)), std::pair(false, false));
        QVERIFY(near(at(image, cx, cy + 40), Qt::white, 10));

        // Centred 5 px inside the picture's right edge: everything beyond the picture is cut.
        overlay.centerX = 780;
        overlay.reticleLength = 2000;
        image = paintOverlay(overlay);
        QCOMPARE(std::tuple(lit(image, 248, cy), lit(image, 245, 52), lit(image, 245 - 30, cy)), std::tuple(true, true, true));
        for (int x = 251; x < 400; ++x)
            QCOMPARE(std::tuple(x, lit(image, x, cy), lit(image, x, cy - 15)), std::tuple(x, false, false));
        for (int y : {0, 48, 202, 299})
            QVERIFY(!lit(image, 245, y));

        const QImage blank = paintOverlay(OverlaySettings());
        QCOMPARE(std::pair(paintOverlay(overlay, QSize(0, 600)) == blank, paintOverlay(overlay, QSize(800, 0)) == blank), std::pair(true, true));
        overlay.enabled = false;
        QCOMPARE(paintOverlay(overlay), blank);
    }

    void nightModeSheetParsesAndDimsThePlaceholder()
    {
        // A rule Qt cannot parse is only a warning, and leaves the window half styled.
        parseWarnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext &, const QString &message) { parseWarnings << message; });
        // The placeholder is the picture beside the executable, read when the view is made.
        const QDir appDir(QCoreApplication::applicationDirPath());
        const QString picture = appDir.filePath(QStringLiteral("assets/vesk-background.jpg"));
        QVERIFY(appDir.mkpath(QStringLiteral("assets")) && solid(160, 90, QColor(100, 100, 100)).save(picture, "JPEG", 95));
        MainWindow window(std::make_unique<FakeCameraPlatform>());
        QFile::remove(picture);
        appDir.rmdir(QStringLiteral("assets"));
        MainWindowTestAccess access(window);
        access.imageView()->resize(viewSize);
        for (const bool night : {true, false}) {
            access.setNightMode(night);
            QVERIFY(near(at(render(*access.imageView()), 346, 206), night ? QColor(162, 149, 153) : QColor(100, 100, 100), 3));
        }
        qInstallMessageHandler(previous);
        QVERIFY2(parseWarnings.filter(QStringLiteral("parse")).isEmpty(), qPrintable(parseWarnings.join('\n')));
        for (const char *colour : {"border-color: #d3dde2", "background: #e4eaed", "border-color: #d0dadd"})   // as by day
            QVERIFY2(buildStyleSheet(true).contains(QLatin1String(colour)), colour);
    }

    void framesAreWrappedThenCopiedOnce()
    {
        cv::Mat full(40, 60, CV_8UC3, cv::Scalar(1, 2, 3));
        const cv::Mat crop(full, cv::Rect(20, 10, 30, 20));
        full.at<cv::Vec3b>(12, 22) = {200, 100, 50};   // crop pixel (2, 2)
        const QImage view = wrapFrame(crop);
        QCOMPARE(std::pair(view.constBits(), view.bytesPerLine()), std::pair(const_cast<const uchar *>(crop.data), qsizetype(full.step[0])));
        QCOMPARE(view.pixel(2, 2), qRgb(50, 100, 200));

        QImage buffer;
        QVERIFY(copyFrameInto(crop, buffer));
        const uchar *pixels = buffer.constBits();
        const QImage shared = buffer;   // someone still shows it: never overwrite it
        full.at<cv::Vec3b>(12, 22) = {0, 255, 0};
        QVERIFY(copyFrameInto(crop, buffer));
        QCOMPARE(std::pair(shared.pixel(2, 2), buffer.pixel(2, 2)), std::pair(qRgb(50, 100, 200), qRgb(0, 255, 0)));
        const uchar *copied = buffer.constBits();
        QVERIFY(copyFrameInto(crop, buffer));
        QCOMPARE(std::pair(buffer.constBits() == copied, copied != pixels), std::pair(true, true));   // same size, unshared: reused

        QCOMPARE(qGray(wrapFrame(cv::Mat(8, 8, CV_8UC1, cv::Scalar(77))).pixel(3, 3)), 77);
        // Two 8-bit channels would be read past the row end as BGR888.
        QCOMPARE(std::pair(wrapFrame(cv::Mat(8, 8, CV_8UC2)).isNull(), copyFrameInto(cv::Mat(8, 8, CV_16UC1), buffer)), std::pair(true, false));
    }
};

QTEST_MAIN(ViewTest)
#include "view_test.moc"
