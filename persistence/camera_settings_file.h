#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One camera model's own settings as its file stores them: driver values, the auto modes as
// flags, the view zoom in tenths.
struct StoredCameraSettings {
    int brightness = 0;
    int focus = 0;
    int gain = 0;
    int exposure = 0;
    bool autoFocus = false;
    bool autoExposure = false;
    int zoomTenths = 10;
};

// The model's name with every character other than an ASCII letter, digit, '.' or '-' written
// as '_', so that no name can reach outside the settings folder.
QString safeModelName(const QString &model);

// "camera-<safe model name>.txt".
QString cameraSettingsFileName(const QString &model);

// One line of seven integers in the order of the record, single spaces, "\n" at the end.
QByteArray formatCameraSettings(const StoredCameraSettings &settings);

// Nothing unless the file holds at least the seven numbers: a cut file is not half applied.
std::optional<StoredCameraSettings> parseCameraSettings(const QByteArray &content);
