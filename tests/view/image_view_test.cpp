#include "view_test_support.h"

#include "view/image_view.h"
#include "view/view_geometry.h"

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace {

// 692 x 412 leaves a 640 x 360 picture area at (26, 26): a 1280 x 720 frame is shown at half size.
constexpr QSize viewSize(692, 412);

QImage solidFrame(int width, int height, const QColor &color)
{
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(color);
    return image;
}

QImage render(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

void sendMouse(QWidget &widget, QEvent::Type type, QPoint position, Qt::MouseButton button)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(position), QPointF(widget.mapToGlobal(position)), button, held,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

void sendWheel(QWidget &widget, int angleDeltaY)
{
    QWheelEvent event(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, angleDeltaY),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &event);
}

QScrollBar *bar(ImageView &view, Qt::Orientation orientation)
{
    for (QScrollBar *candidate : view.findChildren<QScrollBar *>()) {
        if (candidate->orientation() == orientation)
            return candidate;
    }
    return nullptr;
}

// Finds the horizontal extent of the pixels close to a colour inside a rectangle.
QPair<int, int> columnsNear(const QImage &image, const QRect &area, const QColor &color, int tolerance)
{
    int first = -1;
    int last = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (near(image.pixelColor(x, y), color, tolerance)) {
                first = first < 0 ? x : qMin(first, x);
                last = qMax(last, x);
            }
        }
    }
    return {first, last};
}

} // namespace

class ImageViewTest : public QObject {
    Q_OBJECT

private slots:
    void wheelRequestsZoomWithoutApplyingIt();
    void dragMovesOffsetInFramePixels();
    void scrollBarsFollowZoomAndClampTheOffset();
    void frameRateIsCountedPerHalfSecondWindow();
    void placeholderIsPaintedWithoutFrame();
    void placeholderUsesBackgroundPictureAndItsNightVersion();
    void framePaintsInsideFittedRectWithBadges();
    void overlayIsScaledIntoTheFittedPicture();
};

void ImageViewTest::wheelRequestsZoomWithoutApplyingIt()
{
    ImageView view;
    QSignalSpy spy(&view, &ImageView::zoomRequested);
    view.setZoom(7.5);
    sendWheel(view, 120);
    view.setZoom(1.05);
    sendWheel(view, -120);
    sendWheel(view, 0);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0).at(0).toDouble(), 8.0);
    QCOMPARE(spy.at(1).at(0).toDouble(), 1.0);
    QCOMPARE(spy.at(2).at(0).toDouble(), 1.0);
    QCOMPARE(view.zoomFactor(), 1.05);

    view.setZoom(0.2);
    QCOMPARE(view.zoomFactor(), 1.0);
    view.setZoom(40.0);
    QCOMPARE(view.zoomFactor(), 8.0);
}

void ImageViewTest::dragMovesOffsetInFramePixels()
{
    ImageView view;
    view.resize(viewSize);
    QSignalSpy spy(&view, &ImageView::offsetChanged);

    // Without a frame the drag cannot move anything.
    sendMouse(view, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
    sendMouse(view, QEvent::MouseMove, QPoint(150, 150), Qt::NoButton);
    sendMouse(view, QEvent::MouseButtonRelease, QPoint(150, 150), Qt::LeftButton);
    QCOMPARE(view.panOffset(), QPointF(0, 0));

    view.setFrame(solidFrame(1280, 720, Qt::gray));
    spy.clear();
    sendMouse(view, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
    sendMouse(view, QEvent::MouseMove, QPoint(110, 95), Qt::NoButton);
    sendMouse(view, QEvent::MouseMove, QPoint(111, 95), Qt::NoButton);
    QCOMPARE(spy.count(), 2);
    // Two frame pixels per view pixel; the picture follows the hand.
    QCOMPARE(spy.last().at(0).toPointF(), QPointF(-22, 10));
    QCOMPARE(view.panOffset(), QPointF(-22, 10));

    sendMouse(view, QEvent::MouseButtonRelease, QPoint(111, 95), Qt::LeftButton);
    sendMouse(view, QEvent::MouseMove, QPoint(200, 200), Qt::NoButton);
    sendMouse(view, QEvent::MouseButtonPress, QPoint(100, 100), Qt::RightButton);
    sendMouse(view, QEvent::MouseMove, QPoint(300, 300), Qt::NoButton);
    QCOMPARE(spy.count(), 2);
}

void ImageViewTest::scrollBarsFollowZoomAndClampTheOffset()
{
    ImageView view;
    view.resize(viewSize);
    QScrollBar *horizontal = bar(view, Qt::Horizontal);
    QScrollBar *vertical = bar(view, Qt::Vertical);
    QVERIFY(horizontal && vertical);
    QSignalSpy spy(&view, &ImageView::offsetChanged);

    view.setZoom(1.02);
    QVERIFY(horizontal->isHidden());
    view.setFrame(solidFrame(960, 540, Qt::gray));
    QVERIFY(!horizontal->isHidden() && !vertical->isHidden());
    view.setZoom(1.01);
    QVERIFY(horizontal->isHidden() && vertical->isHidden());

    // Unzoomed the drag is not bounded; zooming in clamps and reports the offset once.
    sendMouse(view, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton);
    sendMouse(view, QEvent::MouseMove, QPoint(500, 100), Qt::NoButton);
    sendMouse(view, QEvent::MouseButtonRelease, QPoint(500, 100), Qt::LeftButton);
    QCOMPARE(view.panOffset(), QPointF(-600, 0));
    spy.clear();
    view.setZoom(2.0);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(view.panOffset(), QPointF(-480, 0));
    QCOMPARE(horizontal->minimum(), 0);
    QCOMPARE(horizontal->maximum(), 960);
    QCOMPARE(horizontal->pageStep(), 960);
    QCOMPARE(horizontal->value(), 0);
    QCOMPARE(vertical->maximum(), 540);
    QCOMPARE(vertical->value(), 270);
    QCOMPARE(horizontal->geometry(), scrollBarGeometry(view.imageRect()).horizontal);

    // The operator moves a bar: the offset follows.
    spy.clear();
    horizontal->setValue(720);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(view.panOffset(), QPointF(240, 0));

    // Values the view writes itself are not taken for operator moves.
    view.setZoom(1.5);
    view.setFrame(solidFrame(960, 540, Qt::gray));
    QCOMPARE(horizontal->maximum(), 480);
    QCOMPARE(horizontal->value(), 480);
    QCOMPARE(view.panOffset(), QPointF(240, 0));
    QCOMPARE(spy.count(), 1);

    view.clearFrame();
    QVERIFY(horizontal->isHidden() && vertical->isHidden());
    QCOMPARE(view.panOffset(), QPointF(240, 0));
    QCOMPARE(view.zoomFactor(), 1.5);
}

void ImageViewTest::frameRateIsCountedPerHalfSecondWindow()
{
    ImageView view;
    qint64 now = 1000;
    view.setClock([&now] { return now; });
    const QImage frame = solidFrame(16, 9, Qt::gray);

    for (int i = 0; i < 25; ++i, now += 20)
        view.setFrame(frame);
    QCOMPARE(view.framesPerSecond(), 0.0);
    view.setFrame(frame); // 26th frame, 500 ms after the first
    QCOMPARE(view.framesPerSecond(), 52.0);
    for (int i = 0; i < 25; ++i) {
        now += 20;
        view.setFrame(frame);
    }
    QCOMPARE(view.framesPerSecond(), 50.0);

    // After a clear the next frame opens a fresh window, however long the pause was.
    view.clearFrame();
    QCOMPARE(view.framesPerSecond(), 0.0);
    now += 60000;
    view.setFrame(frame);
    QCOMPARE(view.framesPerSecond(), 0.0);
    now += 333;
    view.setFrame(frame);
    now += 333;
    view.setFrame(frame);
    QCOMPARE(view.framesPerSecond(), 3 * 1000.0 / 666);
}

void ImageViewTest::placeholderIsPaintedWithoutFrame()
{
    ImageView view;
    view.resize(viewSize);
    // card (10, 17, 672, 378), panel 12 px inside it, text area 26/20 px inside the panel.
    const QRect titleArea(48, 309, 597, 30);

    QImage day = render(view);
    QVERIFY(near(pixel(day, 346, 206), Qt::white, 2));
    const auto [first, last] = columnsNear(day, titleArea, QColor(0, 112, 140), 40);
    QVERIFY2(first > 0, "title text not found");
    QVERIFY2(last > titleArea.right() - 12 && first > titleArea.left() + 100, "title not right-aligned");
    // The bezel's corner bracket sits on the card's top edge.
    QVERIFY(near(pixel(day, 30, 17), QColor(36, 215, 255), 60));

    view.setProperty("nightMode", true);
    const QImage night = render(view);
    QVERIFY(near(pixel(night, 346, 206), QColor(29, 7, 14), 2));
    QVERIFY(columnsNear(night, titleArea, QColor(255, 245, 248), 40).first > 0);

    view.setFrame(solidFrame(160, 90, Qt::gray));
    view.clearFrame();
    QVERIFY(near(pixel(render(view), 346, 206), QColor(29, 7, 14), 2));
}

void ImageViewTest::placeholderUsesBackgroundPictureAndItsNightVersion()
{
    const QDir appDir(QCoreApplication::applicationDirPath());
    QVERIFY(appDir.mkpath(QStringLiteral("assets")));
    const QString path = appDir.filePath(QStringLiteral("assets/vesk-background.jpg"));
    QVERIFY(solidFrame(160, 90, QColor(100, 100, 100)).save(path, "JPEG", 95));

    ImageView view;
    view.resize(viewSize);
    QFile::remove(path);
    appDir.rmdir(QStringLiteral("assets"));

    QVERIFY(near(pixel(render(view), 346, 206), QColor(100, 100, 100), 3));
    view.setProperty("nightMode", true);
    QVERIFY(near(pixel(render(view), 346, 206), QColor(162, 149, 153), 3));
}

void ImageViewTest::framePaintsInsideFittedRectWithBadges()
{
    ImageView view;
    view.resize(viewSize);
    // A 4:3 frame in the 640 x 360 area is shown at (106, 26, 480, 360).
    view.setFrame(solidFrame(400, 300, Qt::green));
    QCOMPARE(view.imageRect(), QRectF(106, 26, 480, 360));
    const QImage image = render(view);

    QVERIFY(near(pixel(image, 346, 206), Qt::green, 2));
    QVERIFY(near(pixel(image, 108, 206), Qt::green, 2));
    QVERIFY(near(pixel(image, 584, 380), Qt::green, 2));
    QVERIFY(!near(pixel(image, 102, 206), Qt::green, 60));
    QVERIFY(!near(pixel(image, 590, 206), Qt::green, 60));

    // Badges: dark rounded plates 10 px inside the picture's top corners, with light text.
    const QRect zoomBadge(116, 36, 112, 28);
    const QRect fpsBadge(464, 36, 112, 28);
    for (const QRect &badge : {zoomBadge, fpsBadge}) {
        QVERIFY(pixel(image, badge.left() + 4, badge.center().y()).green() < 110);
        QVERIFY(columnsNear(image, badge, QColor(207, 244, 255), 50).first > 0);
    }
    QVERIFY(near(pixel(image, zoomBadge.center().x(), 70), Qt::green, 2));
}

void ImageViewTest::overlayIsScaledIntoTheFittedPicture()
{
    ImageView view;
    view.resize(viewSize);
    OverlaySettings overlay;
    overlay.enabled = true;
    overlay.centerX = 960;
    overlay.centerY = 540;
    overlay.circles[1] = {true, 200, 4, QColor(0, 0, 255)};
    overlay.reticleEnabled = true;
    overlay.reticleLength = 100;
    overlay.reticleThickness = 6;
    overlay.reticleColor = QColor(255, 0, 0);
    view.setOverlay(overlay);
    view.setFrame(solidFrame(1280, 720, Qt::black));

    // Half scale: the centre lands at (26 + 480, 26 + 270), lengths are halved.
    const QImage image = render(view);
    QVERIFY(near(pixel(image, 506, 296 + 30), Qt::red, 10));
    QVERIFY(near(pixel(image, 506 + 30, 296), Qt::red, 10));
    QVERIFY(near(pixel(image, 506 - 100, 296), Qt::blue, 10));
    QVERIFY(near(pixel(image, 506, 296 - 100), Qt::blue, 10));
    QVERIFY(near(pixel(image, 506 + 30, 296 + 30), Qt::black, 10));
    QVERIFY(near(pixel(image, 506 + 80, 296), Qt::black, 10));

    view.clearFrame();
    QVERIFY(!view.overlaySettings().enabled);
}

QObject *createImageViewTest()
{
    return new ImageViewTest;
}

#include "image_view_test.moc"
