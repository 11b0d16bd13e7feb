#pragma once

#include <QImage>

// Night version of the placeholder picture: grey-ish pixels are mapped from light to dark
// (black becomes the light tone, white the dark one); coloured pixels keep their colour.
QImage recolourForNight(const QImage &source);
