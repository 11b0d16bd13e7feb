#pragma once

#include <QColor>
#include <QImage>
#include <QObject>

// The view's tests are split by behaviour into three classes run from one executable.
QObject *createViewGeometryTest();
QObject *createImageViewTest();
QObject *createOverlayThemeTest();

inline bool near(const QColor &actual, const QColor &expected, int tolerance)
{
    return qAbs(actual.red() - expected.red()) <= tolerance
        && qAbs(actual.green() - expected.green()) <= tolerance
        && qAbs(actual.blue() - expected.blue()) <= tolerance;
}

inline QColor pixel(const QImage &image, double x, double y)
{
    return image.pixelColor(static_cast<int>(x), static_cast<int>(y));
}
