#include "ui/snapshot_files.h"

#include "view/overlay_painter.h"

#include <QDir>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

namespace {

// PNG stays lossless; this quality picks zlib's fastest level, so a 12-megapixel frame is
// written in well under a second instead of several.
constexpr int fastPngQuality = 80;

} // namespace

SnapshotPaths snapshotPaths(const QString &folder, const QDateTime &localTime)
{
    const QString stem = QDir(folder).filePath(
        QStringLiteral("vesk-") + localTime.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz")));
    return {stem + QStringLiteral(".png"), stem + QStringLiteral("-overlay.png")};
}

QImage overlaidSnapshot(const QImage &frame, const OverlaySettings &overlay)
{
    QImage picture = frame.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    drawOverlay(painter, QRectF(picture.rect()), picture.size(), overlay);
    return picture;
}

std::optional<QString> writePngAtomically(const QImage &image, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    QImageWriter writer(&file, "png");
    writer.setQuality(fastPngQuality);
    if (!writer.write(image)) {
        file.cancelWriting();
        return writer.errorString();
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}
