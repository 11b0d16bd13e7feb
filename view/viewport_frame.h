#pragma once

#include <QRectF>

class QPainter;

// The glass-like bezel with its dot lattice and corner brackets, drawn around bounds.
void drawViewportFrame(QPainter &painter, const QRectF &bounds);

// Whether the bezel's dot texture has a dot at this lattice point.
constexpr bool isLatticeDot(int x, int y)
{
    return (17 * x + 11 * y) % 29 < 10;
}
