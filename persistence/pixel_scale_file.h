#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// "scale-<safe model name>.txt" (see safeModelName): the micrometres one camera pixel of that
// model covers in the target plane.
QString pixelScaleFileName(const QString &model);

// One decimal number, "\n" at the end.
QByteArray formatPixelScale(double micrometresPerPixel);

// Nothing unless the file's first token is a number above 0 and at most maxPixelScale.
std::optional<double> parsePixelScale(const QByteArray &content);

// A millimetre per pixel is far beyond any camera VESK drives; more is a typing error.
inline constexpr double maxPixelScale = 1000.0;
