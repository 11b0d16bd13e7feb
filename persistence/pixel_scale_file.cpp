#include "persistence/pixel_scale_file.h"

#include "persistence/camera_settings_file.h"

#include <QList>

#include <cmath>

QString pixelScaleFileName(const QString &model)
{
    return QStringLiteral("scale-%1.txt").arg(safeModelName(model));
}

QByteArray formatPixelScale(double micrometresPerPixel)
{
    // Always a '.' decimal point, whatever the locale: the file is read back anywhere.
    return QByteArray::number(micrometresPerPixel, 'g', 10) + '\n';
}

std::optional<double> parsePixelScale(const QByteArray &content)
{
    const QList<QByteArray> tokens = content.simplified().split(' ');
    bool ok = false;
    const double value = tokens.isEmpty() ? 0.0 : tokens.front().toDouble(&ok);
    if (!ok || !std::isfinite(value) || value <= 0.0 || value > maxPixelScale)
        return std::nullopt;
    return value;
}
