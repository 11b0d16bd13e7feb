#include "ui/main_window.h"

#include "app/diagnostic_log.h"
#include "app/ui_language.h"
#include "camera/camera_enumeration.h"
#include "camera/driver_call.h"
#include "camera/supported_cameras.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace {

QString deviceSignature(const CameraDeviceInfo &device)
{
    return QStringLiteral("%1:%2").arg(device.index).arg(device.name);
}

void addRangeKeys(QVariantMap &map, const QString &prefix, const CameraPropertyRange &range)
{
    if (!range.valid)
        return;
    map.insert(prefix + QStringLiteral("Min"), range.minimum);
    map.insert(prefix + QStringLiteral("Max"), range.maximum);
    map.insert(prefix + QStringLiteral("Default"), range.defaultValue);
}

int mapInt(const QVariantMap &map, const QString &key, int fallback)
{
    const auto it = map.constFind(key);
    return it == map.constEnd() ? fallback : it->toInt();
}

} // namespace

void MainWindow::refreshDeviceList()
{
    deviceCombo->clear();
    deviceSignatures.clear();

    for (const CameraDeviceInfo &device : enumerateCameras(*platform, true)) {
        const std::optional<SupportedCamera> supported = findSupportedCamera(device.name);
        if (!supported)
            continue;
        deviceSignatures.append(deviceSignature(device));

        QVariantMap map;
        map.insert(QStringLiteral("index"), device.index);
        map.insert(QStringLiteral("width"), supported->targetSize.width());
        map.insert(QStringLiteral("height"), supported->targetSize.height());
        // Tells two cameras of one model apart when a lost one comes back.
        if (!device.bus.isEmpty())
            map.insert(QStringLiteral("bus"), device.bus);
        addRangeKeys(map, QStringLiteral("brightness"), device.brightness);
        addRangeKeys(map, QStringLiteral("focus"), device.focus);
        addRangeKeys(map, QStringLiteral("gain"), device.gain);
        addRangeKeys(map, QStringLiteral("exposure"), device.exposure);

        deviceCombo->addItem(device.name, map);
        deviceCombo->setItemData(deviceCombo->count() - 1, int(Qt::AlignCenter), Qt::TextAlignmentRole);
    }

    const bool found = deviceCombo->count() > 0;
    if (!found) {
        deviceCombo->addItem(pickText(QStringLiteral("No supported VESK camera detected"),
                                      QStringLiteral("未偵測到支援的 VESK 攝影機"),
                                      QStringLiteral("未检测到支持的 VESK 摄像头")),
                             QVariant());
        deviceCombo->setItemData(0, int(Qt::AlignCenter), Qt::TextAlignmentRole);
        resolutionLabel->setText(QStringLiteral("--"));
    }
    deviceCombo->setEnabled(found);
    openButton->setEnabled(found);
    // While a lost camera is awaited, Close is how the operator stops waiting.
    closeButton->setEnabled(awaitedCamera.has_value());
    driverSettingsButton->setEnabled(false);
    snapshotButton->setEnabled(false);

    onDeviceSelectionChanged();
}

void MainWindow::onDeviceSelectionChanged()
{
    const QVariantMap map = deviceCombo->currentData(Qt::UserRole).toMap();
    if (map.isEmpty())
        return;

    currentDeviceIndex = mapInt(map, QStringLiteral("index"), -1);
    targetWidth = mapInt(map, QStringLiteral("width"), 0);
    targetHeight = mapInt(map, QStringLiteral("height"), 0);

    applyRangeToControls(map, QStringLiteral("brightness"), brightnessSlider, brightnessSpin, 1, 64, 32);
    applyRangeToControls(map, QStringLiteral("focus"), focusSlider, focusSpin, 0, 1023, 536);
    applyRangeToControls(map, QStringLiteral("gain"), gainSlider, gainSpin, 0, 15, 0);
    applyRangeToControls(map, QStringLiteral("exposure"), exposureSlider, exposureSpin, -13, -1, -7);

    resolutionLabel->setText(pickText(QStringLiteral("Target %1 x %2"), QStringLiteral("指定 %1 x %2"),
                                      QStringLiteral("指定 %1 x %2"))
                                 .arg(targetWidth)
                                 .arg(targetHeight));
}

void MainWindow::applyRangeToControls(const QVariantMap &map, const QString &prefix, QSlider *slider,
                                      QSpinBox *spin, int fallbackMinimum, int fallbackMaximum,
                                      int fallbackDefault)
{
    const int minimum = mapInt(map, prefix + QStringLiteral("Min"), fallbackMinimum);
    const int maximum = mapInt(map, prefix + QStringLiteral("Max"), fallbackMaximum);
    const int defaultValue = mapInt(map, prefix + QStringLiteral("Default"), fallbackDefault);
    const int value = maximum < defaultValue ? maximum : (defaultValue < minimum ? minimum : defaultValue);

    // A selection only shows the driver's range; it must never write to the camera.
    const QSignalBlocker sliderBlocker(slider);
    const QSignalBlocker spinBlocker(spin);
    slider->setRange(minimum, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(1);
    spin->setRange(minimum, maximum);
    spin->setSingleStep(1);
    slider->setValue(value);
    spin->setValue(value);
}

void MainWindow::checkDeviceList()
{
    QStringList fresh;
    for (const CameraDeviceInfo &device : enumerateCameras(*platform, false)) {
        if (findSupportedCamera(device.name))
            fresh.append(deviceSignature(device));
    }
    if (fresh == deviceSignatures) {
        // A camera lost to a stalled stream may still be listed.
        reopenReturnedCamera();
        return;
    }

    DiagnosticLog(QStringLiteral("Camera device list changed: %1 -> %2")
                      .arg(deviceSignatures.join(QStringLiteral(", ")), fresh.join(QStringLiteral(", "))));

    bool wasOpen = false;
    {
        const std::lock_guard<std::mutex> lock(captureMutex);
        // Runs from a timer: an escaping driver exception would end the process. A device
        // that cannot even say whether it is open is treated as open, so it gets closed.
        const std::optional<DriverFault> fault = guardDriverCall([&] { wasOpen = capture && capture->isOpened(); });
        if (fault) {
            DiagnosticLog(fault->logLine(QStringLiteral("while checking the camera")));
            wasOpen = true;
        }
    }
    std::optional<AwaitedCamera> lost;
    if (wasOpen) {
        lost = cameraWorthAwaiting();
        closeCamera();
    }
    refreshDeviceList();
    if (lost) {
        awaitCamera(*lost);
    } else if (wasOpen) {
        statusLabel->setText(pickText(QStringLiteral("Camera disconnected; switched to closed state"),
                                      QStringLiteral("攝影機已中斷，已切換為關閉狀態"),
                                      QStringLiteral("摄像头已断开，已切换为关闭状态")));
    }
    // Also when the change only moved the open camera to another index: it is reopened at once.
    reopenReturnedCamera();
}

void MainWindow::refreshAfterStreamLoss()
{
    const std::optional<AwaitedCamera> lost = cameraWorthAwaiting();
    closeCamera();
    refreshDeviceList();
    // Not reopened here: the next device check does, after a stalled driver has had a moment.
    if (lost) {
        awaitCamera(*lost);
        return;
    }
    statusLabel->setText(pickText(QStringLiteral("Camera disconnected; devices refreshed"),
                                  QStringLiteral("攝影機已中斷，已重新偵測裝置"),
                                  QStringLiteral("摄像头已断开，已重新检测设备")));
}
