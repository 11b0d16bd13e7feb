#include "ui/main_window.h"

#include "app/diagnostic_log.h"
#include "app/ui_language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

namespace {

QString waitingText()
{
    return pickText(QStringLiteral("Camera disconnected; waiting for it to return"),
                    QStringLiteral("攝影機已中斷，等待重新連接"), QStringLiteral("摄像头已断开，等待重新连接"));
}

} // namespace

// Called by both loss paths before they close the camera. A session that never showed a
// picture is not awaited: a camera that opens but sends nothing would otherwise be reopened
// again and again.
std::optional<MainWindow::AwaitedCamera> MainWindow::cameraWorthAwaiting() const
{
    if (!autoReconnectCheck->isChecked() || lastFrameWidth == 0 || !openedCamera)
        return std::nullopt;
    const auto now = std::chrono::steady_clock::now();
    AwaitedCamera lost;
    lost.identity = *openedCamera;
    lost.panel = panelCameraSettings();
    // A camera that keeps failing soon after each open is given time to settle, more each
    // time; a long session shows the trouble was a passing one.
    lost.shortSessions = now - sessionOpened < reconnectTimings.shortSession ? shortSessionsBefore + 1 : 0;
    if (lost.shortSessions > 0)
        lost.notBefore = now + reconnectTimings.firstBackOff * (1 << std::min(lost.shortSessions - 1, 10));
    return lost;
}

void MainWindow::awaitCamera(const AwaitedCamera &camera)
{
    if (camera.shortSessions >= reconnectTimings.shortSessionLimit) {
        statusLabel->setText(pickText(QStringLiteral("Camera keeps dropping out; press Open to try again"),
                                      QStringLiteral("攝影機屢次中斷，請按「開啟」重試"),
                                      QStringLiteral("摄像头屡次断开，请按“打开”重试")));
        DiagnosticLog(QStringLiteral("%1 dropped out %2 times in a row soon after opening; not reopening it again")
                          .arg(camera.identity.name, QString::number(camera.shortSessions)));
        return;
    }
    awaitedCamera = camera;
    // Close is how the operator stops the waiting.
    closeButton->setEnabled(true);
    statusLabel->setText(waitingText());
    DiagnosticLog(QStringLiteral("Waiting for %1 to return").arg(camera.identity.name));
}

void MainWindow::reopenReturnedCamera()
{
    if (!awaitedCamera || std::chrono::steady_clock::now() < awaitedCamera->notBefore)
        return;
    bool ambiguous = false;
    const int entry = findCameraEntry(awaitedCamera->identity, &ambiguous);
    // Opening one of two cameras that look the same would be a guess: the operator chooses.
    if (ambiguous != awaitedCamera->ambiguityShown) {
        awaitedCamera->ambiguityShown = ambiguous;
        const QString name = awaitedCamera->identity.name;
        statusLabel->setText(ambiguous ? pickText(QStringLiteral("Camera disconnected; cannot tell which %1 it was, press Open"),
                                                  QStringLiteral("攝影機已中斷；無法分辨是哪一台 %1，請按「開啟」"),
                                                  QStringLiteral("摄像头已断开；无法分辨是哪一台 %1，请按“打开”"))
                                             .arg(name)
                                       : waitingText());
        if (ambiguous)
            DiagnosticLog(QStringLiteral("Cannot tell which listed %1 is the lost one; not reopening any").arg(name));
    }
    if (entry < 0)
        return;
    const AwaitedCamera camera = *awaitedCamera;
    DiagnosticLog(QStringLiteral("%1 is back; reopening it").arg(camera.identity.name));
    runOpenSequence(camera);
}

void MainWindow::stopAwaitingCamera()
{
    if (!awaitedCamera)
        return;
    DiagnosticLog(QStringLiteral("No longer waiting for %1").arg(awaitedCamera->identity.name));
    closeCamera();
}

int MainWindow::findCameraEntry(const CameraIdentity &camera, bool *ambiguous) const
{
    int found = -1;
    int candidates = 0;
    for (int i = 0; i < deviceCombo->count(); ++i) {
        const QVariantMap entry = deviceCombo->itemData(i, Qt::UserRole).toMap();
        if (entry.isEmpty() || deviceCombo->itemText(i) != camera.name)
            continue;
        // Where both ports are known, a camera of the same model on another port is another camera.
        const QString bus = entry.value(QStringLiteral("bus")).toString();
        if (camera.bus.isEmpty() || bus.isEmpty() || bus == camera.bus) {
            ++candidates;
            found = found < 0 ? i : found;
        }
    }
    const bool cannotTell = candidates > 1 || (candidates == 1 && !camera.distinct);
    if (ambiguous)
        *ambiguous = cannotTell;
    return cannotTell ? -1 : found;
}
