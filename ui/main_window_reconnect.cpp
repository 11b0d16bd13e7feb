#include "ui/main_window.h"

#include "app/diagnostic_log.h"
#include "app/ui_language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

// Called by both loss paths before they close the camera. A session that never showed a
// picture is not awaited: a camera that opens but sends nothing would otherwise be reopened
// again and again.
std::optional<MainWindow::CameraIdentity> MainWindow::cameraWorthAwaiting() const
{
    if (!autoReconnectCheck->isChecked() || lastFrameWidth == 0)
        return std::nullopt;
    return openedCamera;
}

void MainWindow::awaitCamera(const CameraIdentity &camera)
{
    awaitedCamera = camera;
    // Close is how the operator stops the waiting.
    closeButton->setEnabled(true);
    statusLabel->setText(pickText(QStringLiteral("Camera disconnected; waiting for it to return"),
                                  QStringLiteral("攝影機已中斷，等待重新連接"), QStringLiteral("摄像头已断开，等待重新连接")));
    DiagnosticLog(QStringLiteral("Waiting for %1 to return").arg(camera.name));
}

void MainWindow::reopenReturnedCamera()
{
    if (!awaitedCamera || findCameraEntry(*awaitedCamera) < 0)
        return;
    const CameraIdentity camera = *awaitedCamera;
    DiagnosticLog(QStringLiteral("%1 is back; reopening it").arg(camera.name));
    runOpenSequence(camera);
}

void MainWindow::stopAwaitingCamera()
{
    if (!awaitedCamera)
        return;
    DiagnosticLog(QStringLiteral("No longer waiting for %1").arg(awaitedCamera->name));
    closeCamera();
}

int MainWindow::findCameraEntry(const CameraIdentity &camera) const
{
    for (int i = 0; i < deviceCombo->count(); ++i) {
        const QVariantMap entry = deviceCombo->itemData(i, Qt::UserRole).toMap();
        if (entry.isEmpty() || deviceCombo->itemText(i) != camera.name)
            continue;
        // Where both ports are known, a camera of the same model on another port is another camera.
        const QString bus = entry.value(QStringLiteral("bus")).toString();
        if (camera.bus.isEmpty() || bus.isEmpty() || bus == camera.bus)
            return i;
    }
    return -1;
}
