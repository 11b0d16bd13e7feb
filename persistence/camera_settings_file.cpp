#include "persistence/camera_settings_file.h"

#include "persistence/parameter_files.h"

#include <QList>

QString safeModelName(const QString &model)
{
    QString safe = model;
    for (QChar &c : safe) {
        const bool plain = c.unicode() < 128 && (c.isLetterOrNumber() || c == QLatin1Char('.') || c == QLatin1Char('-'));
        if (!plain)
            c = QLatin1Char('_');
    }
    return safe;
}

QString cameraSettingsFileName(const QString &model)
{
    return QStringLiteral("camera-%1.txt").arg(safeModelName(model));
}

QByteArray formatCameraSettings(const StoredCameraSettings &s)
{
    return formatIntegerFields({s.brightness, s.focus, s.gain, s.exposure, int(s.autoFocus), int(s.autoExposure), s.zoomTenths});
}

std::optional<StoredCameraSettings> parseCameraSettings(const QByteArray &content)
{
    const QList<int> f = parseIntegerFields(content);
    if (f.size() < 7)
        return std::nullopt;
    return StoredCameraSettings{f[0], f[1], f[2], f[3], f[4] != 0, f[5] != 0, f[6]};
}
