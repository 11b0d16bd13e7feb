#include "view_test_support.h"

#include "view/background_recolour.h"
#include "view/view_geometry.h"

#include <QTest>

class ViewGeometryTest : public QObject {
    Q_OBJECT

private slots:
    void fitsAspectOrFallsBackTo16by9_data();
    void fitsAspectOrFallsBackTo16by9();
    void roundsHalfAwayFromZero();
    void zoomIsClampedAndWheelStepsAreMultiplicative();
    void scrollAxisCoversTheZoomedExcess_data();
    void scrollAxisCoversTheZoomedExcess();
    void scrollBarsSitInsideThePictureAndKeepAMinimumLength();
    void nightRecolourFlipsGreysAndKeepsColours();
};

void ViewGeometryTest::fitsAspectOrFallsBackTo16by9_data()
{
    QTest::addColumn<QRectF>("area");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRectF>("expected");
    QTest::newRow("same aspect") << QRectF(0, 0, 1600, 900) << QSize(1920, 1080) << QRectF(0, 0, 1600, 900);
    QTest::newRow("4:3 in wide area is height-limited, centred")
        << QRectF(10, 20, 1600, 900) << QSize(4000, 3000) << QRectF(210, 20, 1200, 900);
    QTest::newRow("wide frame in tall area is width-limited")
        << QRectF(0, 0, 400, 1000) << QSize(1600, 900) << QRectF(0, 387.5, 400, 225);
    QTest::newRow("1x1 fills a square") << QRectF(0, 0, 300, 200) << QSize(1, 1) << QRectF(50, 0, 200, 200);
    QTest::newRow("null size is 16:9") << QRectF(0, 0, 1600, 1600) << QSize() << QRectF(0, 350, 1600, 900);
    QTest::newRow("zero height is 16:9") << QRectF(0, 0, 1600, 1600) << QSize(640, 0) << QRectF(0, 350, 1600, 900);
    QTest::newRow("negative size is 16:9") << QRectF(0, 0, 1600, 1600) << QSize(-5, 10) << QRectF(0, 350, 1600, 900);
}

void ViewGeometryTest::fitsAspectOrFallsBackTo16by9()
{
    QFETCH(QRectF, area);
    QFETCH(QSize, size);
    QFETCH(QRectF, expected);
    QCOMPARE(fitRect(area, size), expected);
}

void ViewGeometryTest::roundsHalfAwayFromZero()
{
    QCOMPARE(roundToInt(2.5), 3);
    QCOMPARE(roundToInt(-2.5), -3);
    QCOMPARE(roundToInt(0.49), 0);
    QCOMPARE(roundToInt(-0.49), 0);
    QCOMPARE(roundToInt(1501.5), 1502);
}

void ViewGeometryTest::zoomIsClampedAndWheelStepsAreMultiplicative()
{
    QCOMPARE(clampZoom(0.3), 1.0);
    QCOMPARE(clampZoom(12.0), 8.0);
    QCOMPARE(clampZoom(3.25), 3.25);
    QCOMPARE(wheelZoom(7.5, 120), 8.0);
    QCOMPARE(wheelZoom(1.05, -120), 1.0);
    QCOMPARE(wheelZoom(2.0, 120), 2.3);
    // A purely horizontal wheel still zooms out.
    QCOMPARE(wheelZoom(2.3, 0), 2.0);
}

void ViewGeometryTest::scrollAxisCoversTheZoomedExcess_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<double>("zoom");
    QTest::addColumn<int>("range");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::newRow("960 at 2x") << 960 << 2.0 << 960 << -480.0 << 480.0;
    QTest::newRow("not zoomed") << 960 << 1.0 << 0 << 0.0 << 0.0;
    QTest::newRow("odd excess rounds half up") << 1001 << 1.5 << 501 << -250.5 << 250.5;
    QTest::newRow("one pixel has no excess") << 1 << 1.02 << 0 << 0.0 << 0.0;
}

void ViewGeometryTest::scrollAxisCoversTheZoomedExcess()
{
    QFETCH(int, length);
    QFETCH(double, zoom);
    QFETCH(int, range);
    QFETCH(double, lower);
    QFETCH(double, upper);
    const ScrollAxis axis = scrollAxis(length, zoom);
    QCOMPARE(axis.range, range);
    QCOMPARE(axis.lower, lower);
    QCOMPARE(axis.upper, upper);
    QCOMPARE(clampToAxis(upper + 100, axis), upper);
    QCOMPARE(clampToAxis(lower - 100, axis), lower);
    // The bar value runs from 0 at the lower end to the range at the upper end.
    QCOMPARE(scrollValue(lower, axis), 0);
    QCOMPARE(scrollValue(upper, axis), range);
}

void ViewGeometryTest::scrollBarsSitInsideThePictureAndKeepAMinimumLength()
{
    const ScrollBarGeometry large = scrollBarGeometry(QRectF(26, 26, 640, 360));
    QCOMPARE(large.horizontal, QRect(34, 367, 605, 11));
    QCOMPARE(large.vertical, QRect(647, 34, 11, 325));
    const ScrollBarGeometry tiny = scrollBarGeometry(QRectF(0.4, 0.6, 30, 12));
    QCOMPARE(tiny.horizontal.width(), 20);
    QCOMPARE(tiny.vertical.height(), 20);
    QCOMPARE(tiny.horizontal.topLeft(), QPoint(8, -6));
}

void ViewGeometryTest::nightRecolourFlipsGreysAndKeepsColours()
{
    QImage source(4, 1, QImage::Format_ARGB32);
    source.setPixel(0, 0, qRgba(0, 0, 0, 255));
    source.setPixel(1, 0, qRgba(255, 255, 255, 128));
    source.setPixel(2, 0, qRgba(200, 40, 40, 255));
    source.setPixel(3, 0, qRgba(100, 120, 140, 255));
    const QImage night = recolourForNight(source);
    QCOMPARE(night.pixel(0, 0), qRgba(248, 240, 243, 255));
    QCOMPARE(night.pixel(1, 0), qRgba(29, 7, 14, 128));
    QCOMPARE(night.pixel(2, 0), source.pixel(2, 0));
    // Spread 40 is grey-ish: t = 360 / 765.
    QCOMPARE(night.pixel(3, 0), qRgba(145, 130, 135, 255));
    QCOMPARE(recolourForNight(source.convertToFormat(QImage::Format_RGB888)).pixel(0, 0),
             qRgba(248, 240, 243, 255));
}

QObject *createViewGeometryTest()
{
    return new ViewGeometryTest;
}

#include "view_geometry_test.moc"
