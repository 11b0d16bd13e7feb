#include "ui/main_window.h"

#include "app/diagnostic_log.h"
#include "app/file_locations.h"
#include "app/ui_language.h"
#include "decode/frame_buffer.h"
#include "decode/mjpeg_decoder.h"
#include "ui/operator_message.h"
#include "ui/snapshot_files.h"
#include "view/frame_image.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>

#include <new>

void MainWindow::requestSnapshot()
{
    // The frame is taken by the next grabFrame, before its crop, so no buffer is held meanwhile.
    if (captureRunning)
        snapshotPending = true;
}

void MainWindow::saveSnapshot(const DecodedFrame &shown)
{
    // The view may show a reduced or cropped decode; a snapshot is the whole frame at full size.
    const cv::Mat &data = shown.compressed;
    FrameBuffer pixels;
    DecodePlan plan;
    bool decoded = false;
    try {
        decoded = !data.empty() && MjpegDecoder().decode(data.ptr<uint8_t>(), data.total(), ViewRequest{}, pixels, plan);
    } catch (const std::bad_alloc &) {
        DiagnosticLog(QStringLiteral("Snapshot not saved: no memory to decode the frame"));
    }
    if (!decoded) {
        snapshotPending = false;
        return;
    }
    saveSnapshot(pixels.mat());
}

void MainWindow::saveSnapshot(const cv::Mat &fullFrame)
{
    snapshotPending = false;
    const QImage frame = wrapFrame(fullFrame);
    if (frame.isNull())
        return;

    const QString folder = fileLocations().snapshotFolder;
    const SnapshotPaths paths = snapshotPaths(folder, QDateTime::currentDateTime());
    std::optional<QString> error;
    if (!QDir().mkpath(folder))
        error = pickText(QStringLiteral("The folder cannot be created."), QStringLiteral("無法建立資料夾。"),
                         QStringLiteral("无法创建文件夹。"));
    if (!error)
        error = writePngAtomically(frame, paths.plain);
    if (!error) {
        error = writePngAtomically(overlaidSnapshot(frame, overlaySettingsFor(QPoint(0, 0))), paths.overlay);
        // The two files are one record; a plain picture without its overlay twin would mislead.
        if (error)
            QFile::remove(paths.plain);
    }

    if (error) {
        DiagnosticLog(QStringLiteral("Snapshot not saved to %1: %2").arg(folder, *error));
        // Saved from inside the frame's presentation, which a box's event loop must not interrupt.
        queueOperatorMessage(this, MessageKind::Warning,
                             pickText(QStringLiteral("Snapshot"), QStringLiteral("快照"), QStringLiteral("快照")),
                             pickText(QStringLiteral("The snapshot could not be saved to %1:\n%2"),
                                      QStringLiteral("無法將快照儲存到 %1：\n%2"),
                                      QStringLiteral("无法将快照保存到 %1：\n%2"))
                                 .arg(QDir::toNativeSeparators(folder), *error));
        return;
    }
    DiagnosticLog(QStringLiteral("Snapshot saved to %1").arg(paths.plain));
    const QString fullPath = QDir::toNativeSeparators(paths.plain);
    const QString saved = pickText(QStringLiteral("Snapshot saved: %1"), QStringLiteral("快照已儲存：%1"),
                                   QStringLiteral("快照已保存：%1"));
    // The pill has a fixed width: the path's start gives way so the words and the file's time
    // stay readable, and the full path is a hover away.
    const QFontMetrics metrics = statusLabel->fontMetrics();
    const int room = statusLabel->contentsRect().width() - 16 - metrics.horizontalAdvance(saved.arg(QString()));
    statusLabel->setText(saved.arg(metrics.elidedText(fullPath, Qt::ElideLeft, qMax(room, 0))));
    statusLabel->setToolTip(pickText(QStringLiteral("Last snapshot: %1"), QStringLiteral("最後的快照：%1"),
                                     QStringLiteral("最后的快照：%1"))
                                .arg(fullPath));
}
