#include "ui/main_window.h"

#include "app/diagnostic_log.h"
#include "app/ui_language.h"
#include "camera/driver_call.h"
#include "camera/held_controls.h"
#include "ui/camera_settings_dialog.h"
#include "view/image_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVariantMap>

#include <cmath>
#include <memory>

namespace {

// Formatted apart from the message, so that one arg() call fills every placeholder and a '%'
// inside a name or an exception text is never taken for one.
QString formatValue(double value)
{
    return QStringLiteral("%1").arg(value);
}

// The camera refuses manual values while its auto mode is on, so the pair is locked and says why.
void holdForAutoMode(QSlider *slider, QSpinBox *spin, bool autoOn, const QString &reason)
{
    for (QWidget *widget : {static_cast<QWidget *>(slider), static_cast<QWidget *>(spin)}) {
        widget->setEnabled(!autoOn);
        widget->setToolTip(autoOn ? reason : QString());
    }
}

QString noDriverDialogText()
{
    return pickText(QStringLiteral("This camera's driver has no settings dialog"), QStringLiteral("此攝影機的驅動程式沒有設定視窗"),
                    QStringLiteral("此摄像头的驱动程序没有设置窗口"));
}

QString autoFocusReason()
{
    return pickText(QStringLiteral("Auto Focus is on: the camera sets the focus itself. Untick Auto Focus to set it by hand."),
                    QStringLiteral("自動對焦已開啟：由攝影機自行對焦。取消勾選「自動對焦」即可手動設定。"),
                    QStringLiteral("自动对焦已开启：由摄像头自行对焦。取消勾选“自动对焦”即可手动设置。"));
}

QString autoExposureReason()
{
    return pickText(QStringLiteral("Auto Exposure is on: the camera sets the exposure itself. Untick Auto Exposure to set it by hand."),
                    QStringLiteral("自動曝光已開啟：由攝影機自行調整曝光。取消勾選「自動曝光」即可手動設定。"),
                    QStringLiteral("自动曝光已开启：由摄像头自行调整曝光。取消勾选“自动曝光”即可手动设置。"));
}

// Signals blocked: showing a value must not write it back to the camera.
void showHeldValue(QSlider *slider, QSpinBox *spin, const std::optional<int> &value)
{
    if (!value)
        return;
    const QSignalBlocker sliderBlocker(slider);
    const QSignalBlocker spinBlocker(spin);
    slider->setValue(*value);
    spin->setValue(slider->value());
}

void showHeldMode(QCheckBox *check, bool on)
{
    const QSignalBlocker blocker(check);
    check->setChecked(on);
}

bool withinReportedRange(const QVariantMap &entry, const QString &prefix, int value)
{
    const QVariant minimum = entry.value(prefix + QStringLiteral("Min"));
    const QVariant maximum = entry.value(prefix + QStringLiteral("Max"));
    return minimum.isValid() && maximum.isValid() && minimum.toInt() <= value && value <= maximum.toInt();
}

} // namespace

bool MainWindow::setCameraProperty(int propertyId, double value, const QString &name)
{
    // Held to the end, so a write never overlaps a frame read; the log lock nests inside.
    std::lock_guard lock(captureMutex);
    bool written = false;
    const std::optional<DriverFault> fault = guardDriverCall([&] {
        if (!capture->isOpened())
            return;
        written = capture->set(propertyId, value);
        if (!written)
            DiagnosticLog(QStringLiteral("Driver rejected %1=%2").arg(name, formatValue(value)));
    });
    if (fault) {
        const QString context = QStringLiteral("while setting %1=%2").arg(name, formatValue(value));
        DiagnosticLog(fault->logLine(context, QStringLiteral("Exception")));
    }
    return written;
}

HeldControls MainWindow::showHeldCameraControls()
{
    // Where the backend brings the driver's own dialog there is no control source: the panel
    // keeps its own values.
    const std::unique_ptr<CameraControlSource> source = platform->openControlSource(currentDeviceIndex);
    if (!source)
        return {};
    const HeldControls held = readHeldControls(*source);
    // Said apart from the capture object, whose properties are not read at open.
    if (const QString values = describeHeldControls(held); !values.isEmpty())
        DiagnosticLog(QStringLiteral("Camera holds %1, read from its %2 driver controls, not from the capture object")
                          .arg(values, platform->stackName()));

    showHeldValue(brightnessSlider, brightnessSpin, held.brightness);
    showHeldValue(focusSlider, focusSpin, held.focus);
    showHeldValue(gainSlider, gainSpin, held.gain);
    showHeldValue(exposureSlider, exposureSpin, held.exposure);
    if (held.autoFocus)
        showHeldMode(autoFocusCheck, *held.autoFocus != 0);
    if (held.autoExposure)
        showHeldMode(autoExposureCheck, *held.autoExposure != std::lround(platform->autoExposureValue(false)));
    holdForAutoMode(focusSlider, focusSpin, autoFocusCheck->isChecked(), autoFocusReason());
    holdForAutoMode(exposureSlider, exposureSpin, autoExposureCheck->isChecked(), autoExposureReason());
    return held;
}

void MainWindow::applyStoredCameraSettings()
{
    const std::optional<StoredCameraSettings> stored = loadCameraSettings(openedCamera->name);
    if (!stored)
        return;
    const QVariantMap entry = deviceCombo->currentData(Qt::UserRole).toMap();
    QStringList applied;
    QStringList outside;

    // The camera refuses a manual value while its auto mode is on: the modes go first, and a
    // manual value only where its mode is off.
    showHeldMode(autoFocusCheck, stored->autoFocus);
    setCameraProperty(cv::CAP_PROP_AUTOFOCUS, stored->autoFocus ? 1.0 : 0.0, QStringLiteral("auto focus"));
    showHeldMode(autoExposureCheck, stored->autoExposure);
    setCameraProperty(cv::CAP_PROP_AUTO_EXPOSURE, platform->autoExposureValue(stored->autoExposure),
                      QStringLiteral("auto exposure"));
    holdForAutoMode(focusSlider, focusSpin, stored->autoFocus, autoFocusReason());
    holdForAutoMode(exposureSlider, exposureSpin, stored->autoExposure, autoExposureReason());
    applied << QStringLiteral("auto focus=%1").arg(int(stored->autoFocus))
            << QStringLiteral("auto exposure=%1").arg(int(stored->autoExposure));

    // Only what this device reports it can take; a range it does not report cannot be checked.
    const auto restore = [&](QSlider *slider, QSpinBox *spin, const QString &prefix, int value, int propertyId) {
        const QString text = QStringLiteral("%1=%2").arg(prefix).arg(value);
        if (!withinReportedRange(entry, prefix, value)) {
            outside << text;
            return;
        }
        showHeldValue(slider, spin, value);
        setCameraProperty(propertyId, value, prefix);
        applied << text;
    };
    restore(brightnessSlider, brightnessSpin, QStringLiteral("brightness"), stored->brightness, cv::CAP_PROP_BRIGHTNESS);
    if (!stored->autoFocus)
        restore(focusSlider, focusSpin, QStringLiteral("focus"), stored->focus, cv::CAP_PROP_FOCUS);
    restore(gainSlider, gainSpin, QStringLiteral("gain"), stored->gain, cv::CAP_PROP_GAIN);
    if (!stored->autoExposure)
        restore(exposureSlider, exposureSpin, QStringLiteral("exposure"), stored->exposure, cv::CAP_PROP_EXPOSURE);
    if (stored->zoomTenths >= zoomSlider->minimum() && stored->zoomTenths <= zoomSlider->maximum()) {
        setZoom(stored->zoomTenths / 10.0);
        applied << QStringLiteral("zoom=%1").arg(stored->zoomTenths / 10.0);
    } else {
        outside << QStringLiteral("zoom tenths=%1").arg(stored->zoomTenths);
    }

    QString line = QStringLiteral("Applied the stored settings of %1: %2").arg(openedCamera->name, applied.join(QStringLiteral(", ")));
    if (!outside.isEmpty())
        line += QStringLiteral("; outside the camera's ranges, not applied: %1").arg(outside.join(QStringLiteral(", ")));
    DiagnosticLog(line);
}

// A camera that comes back may have kept its state or lost it in a power cycle: each value is
// written only where the camera does not hold it already (or cannot say), auto modes first.
void MainWindow::restoreCameraValues(const StoredCameraSettings &wanted, const HeldControls &held)
{
    QStringList written;
    const auto restoreMode = [&](QCheckBox *check, bool on, std::optional<bool> heldOn, int propertyId, double value,
                                 const QString &name) {
        showHeldMode(check, on);
        if (heldOn == on)
            return;
        setCameraProperty(propertyId, value, name);
        written << QStringLiteral("%1=%2").arg(name).arg(int(on));
    };
    const auto heldFlag = [](const std::optional<int> &value, int offValue) {
        return value ? std::optional<bool>(*value != offValue) : std::nullopt;
    };
    restoreMode(autoFocusCheck, wanted.autoFocus, heldFlag(held.autoFocus, 0), cv::CAP_PROP_AUTOFOCUS,
                wanted.autoFocus ? 1.0 : 0.0, QStringLiteral("auto focus"));
    restoreMode(autoExposureCheck, wanted.autoExposure,
                heldFlag(held.autoExposure, int(std::lround(platform->autoExposureValue(false)))),
                cv::CAP_PROP_AUTO_EXPOSURE, platform->autoExposureValue(wanted.autoExposure), QStringLiteral("auto exposure"));
    holdForAutoMode(focusSlider, focusSpin, wanted.autoFocus, autoFocusReason());
    holdForAutoMode(exposureSlider, exposureSpin, wanted.autoExposure, autoExposureReason());

    const auto restore = [&](QSlider *slider, QSpinBox *spin, int value, const std::optional<int> &heldValue,
                             int propertyId, const QString &name) {
        showHeldValue(slider, spin, value);
        if (heldValue == value)
            return;
        setCameraProperty(propertyId, value, name);
        written << QStringLiteral("%1=%2").arg(name).arg(value);
    };
    restore(brightnessSlider, brightnessSpin, wanted.brightness, held.brightness, cv::CAP_PROP_BRIGHTNESS, QStringLiteral("brightness"));
    if (!wanted.autoFocus)
        restore(focusSlider, focusSpin, wanted.focus, held.focus, cv::CAP_PROP_FOCUS, QStringLiteral("focus"));
    restore(gainSlider, gainSpin, wanted.gain, held.gain, cv::CAP_PROP_GAIN, QStringLiteral("gain"));
    if (!wanted.autoExposure)
        restore(exposureSlider, exposureSpin, wanted.exposure, held.exposure, cv::CAP_PROP_EXPOSURE, QStringLiteral("exposure"));

    DiagnosticLog(written.isEmpty()
                      ? QStringLiteral("%1 still holds the values from before the loss").arg(openedCamera->name)
                      : QStringLiteral("Restored the values from before the loss to %1: %2")
                            .arg(openedCamera->name, written.join(QStringLiteral(", "))));
}

StoredCameraSettings MainWindow::panelCameraSettings() const
{
    return {brightnessSlider->value(), focusSlider->value(), gainSlider->value(), exposureSlider->value(),
            autoFocusCheck->isChecked(), autoExposureCheck->isChecked(), zoomSlider->value()};
}

void MainWindow::setAutoFocus(bool enabled)
{
    holdForAutoMode(focusSlider, focusSpin, enabled, autoFocusReason());
    setCameraProperty(cv::CAP_PROP_AUTOFOCUS, enabled ? 1.0 : 0.0, QStringLiteral("auto focus"));
    if (!enabled)
        setCameraProperty(cv::CAP_PROP_FOCUS, focusSlider->value(), QStringLiteral("focus"));
}

void MainWindow::setAutoExposure(bool enabled)
{
    holdForAutoMode(exposureSlider, exposureSpin, enabled, autoExposureReason());
    // The on/off values differ per capture backend; one backend's values mean the opposite on another.
    setCameraProperty(cv::CAP_PROP_AUTO_EXPOSURE, platform->autoExposureValue(enabled), QStringLiteral("auto exposure"));
    if (!enabled)
        setCameraProperty(cv::CAP_PROP_EXPOSURE, exposureSlider->value(), QStringLiteral("exposure"));
}

void MainWindow::setZoom(double zoom)
{
    // A NaN would slip through the clamp and end as an undefined slider position.
    if (std::isnan(zoom))
        return;
    if (zoom > 8.0)
        zoom = 8.0;
    else if (zoom < 1.0)
        zoom = 1.0;
    zoomFactor = zoom;
    if (imageView)
        imageView->setZoom(zoomFactor);
    if (zoomSlider) {
        zoomSlider->blockSignals(true);
        zoomSlider->setValue(static_cast<int>(zoomFactor * 10));
        zoomSlider->blockSignals(false);
    }
    // Not blocked: a value the spin box rounds comes back once through valueChanged, so the
    // factor, the view and the slider settle on what the spin box shows.
    if (zoomSpin)
        zoomSpin->setValue(zoomFactor);
}

void MainWindow::applyCameraControls()
{
    brightnessSpin->setValue(brightnessSlider->value());
    focusSpin->setValue(focusSlider->value());
    gainSpin->setValue(gainSlider->value());
    exposureSpin->setValue(exposureSlider->value());
    zoomSpin->setValue(zoomFactor);

    // Each auto mode goes before its manual value, which is sent only while the mode is off.
    setCameraProperty(cv::CAP_PROP_BRIGHTNESS, brightnessSlider->value(), QStringLiteral("brightness"));
    setCameraProperty(cv::CAP_PROP_AUTOFOCUS, autoFocusCheck->isChecked() ? 1.0 : 0.0, QStringLiteral("auto focus"));
    if (!autoFocusCheck->isChecked())
        setCameraProperty(cv::CAP_PROP_FOCUS, focusSlider->value(), QStringLiteral("focus"));
    setCameraProperty(cv::CAP_PROP_GAIN, gainSlider->value(), QStringLiteral("gain"));
    setCameraProperty(cv::CAP_PROP_AUTO_EXPOSURE, platform->autoExposureValue(autoExposureCheck->isChecked()),
                      QStringLiteral("auto exposure"));
    if (!autoExposureCheck->isChecked())
        setCameraProperty(cv::CAP_PROP_EXPOSURE, exposureSlider->value(), QStringLiteral("exposure"));
}

void MainWindow::openDriverSettings()
{
    // What a refused call threw is logged as an attempt at opening the settings.
    const auto logFault = [](const std::optional<DriverFault> &fault) {
        if (fault)
            DiagnosticLog(fault->logLine(QStringLiteral("while opening driver settings"), QStringLiteral("Exception")));
    };
    bool opened = false;
    {
        std::lock_guard lock(captureMutex);
        logFault(guardDriverCall([&] { opened = capture->isOpened(); }));
    }
    if (!opened)
        return;
    if (cameraSettingsDialog) {
        cameraSettingsDialog->refreshControls();
        cameraSettingsDialog->show();
        cameraSettingsDialog->raise();
        cameraSettingsDialog->activateWindow();
        return;
    }
    if (std::unique_ptr<CameraControlSource> source = platform->openControlSource(currentDeviceIndex)) {
        cameraSettingsDialog = new CameraSettingsDialog(
            std::move(source), [this](int id, double value, const QString &name) { return setCameraProperty(id, value, name); },
            [](const QString &line) { DiagnosticLog(line); }, this);
        cameraSettingsDialog->show();
        return;
    }

    // A button that does nothing looks broken: where the driver has no dialog, say so.
    if (!platform->offersDriverDialog(VideoInput{currentDeviceIndex, openedCamera ? openedCamera->name : QString()})) {
        DiagnosticLog(QStringLiteral("The camera offers no driver settings dialog"));
        statusLabel->setText(noDriverDialogText());
        return;
    }
    bool refused = false;
    {
        std::lock_guard lock(captureMutex);
        // DirectShow also refuses while its dialog is still open from the last press; it
        // counts its open dialogs in the same property.
        logFault(guardDriverCall([&] {
            if (capture->isOpened())
                refused = !capture->set(cv::CAP_PROP_SETTINGS, 1.0) && !(capture->get(cv::CAP_PROP_SETTINGS) > 0);
        }));
    }
    if (refused) {
        DiagnosticLog(QStringLiteral("Driver refused to show its settings dialog"));
        statusLabel->setText(noDriverDialogText());
    }
}
