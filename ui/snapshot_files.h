#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

#include <optional>

struct OverlaySettings;

// The two files of one snapshot: the plain frame and the frame with the overlay drawn on it.
struct SnapshotPaths {
    QString plain;
    QString overlay;
};

// "vesk-YYYYMMDD-HHMMSS-zzz.png" and its "-overlay" twin in `folder`, named by local time.
SnapshotPaths snapshotPaths(const QString &folder, const QDateTime &localTime);

// The frame with the circles and reticle drawn at frame scale; `overlay` is in frame pixels.
QImage overlaidSnapshot(const QImage &frame, const OverlaySettings &overlay);

// Writes `image` as PNG through a temporary file renamed into place, so a failed or interrupted
// write never leaves a partial picture under `path`. The reason when it fails.
std::optional<QString> writePngAtomically(const QImage &image, const QString &path);
