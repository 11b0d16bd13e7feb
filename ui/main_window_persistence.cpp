#include "ui/main_window.h"

#include "app/diagnostic_log.h"
#include "app/ui_language.h"
#include "persistence/atomic_file_writer.h"
#include "persistence/camera_settings_file.h"
#include "persistence/center_code_file.h"
#include "persistence/config_path.h"
#include "persistence/parameter_files.h"
#include "persistence/pixel_scale_file.h"
#include "ui/color_buttons.h"
#include "ui/operator_message.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QSlider>
#include <QSpinBox>

#include <optional>

namespace {

bool writeConfigFile(const QString &name, const QByteArray &bytes)
{
    QString error;
    if (writeFileAtomically(configFilePath(name), bytes, &error))
        return true;
    DiagnosticLog(QStringLiteral("Failed to write %1: %2").arg(name, error));
    return false;
}

std::optional<QByteArray> readConfigFile(const QString &name)
{
    // Valid files are one short line. Anything longer is some other file under the name, and
    // must not be read and converted whole at every start.
    constexpr qint64 sizeLimit = 64 * 1024;
    const QString path = configFileToRead(name);
    // Only a regular file: opening a FIFO or a device node under the name would wait for a
    // writer, at start or on Open, for ever.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    // Raw bytes: text mode drops every CR, which would glue the numbers of a file with
    // CR-only line ends together; the readers treat CR as white space anyway.
    if (!file.open(QIODevice::ReadOnly) || file.isSequential())
        return std::nullopt;
    QByteArray content = file.read(sizeLimit + 1);
    if (content.size() > sizeLimit)
        return std::nullopt;
    return content;
}

QString unableToWrite(const QString &name)
{
    return pickText(QStringLiteral("Unable to write %1."), QStringLiteral("無法寫入 %1。"), QStringLiteral("无法写入 %1。")).arg(name);
}

const QString autoReconnectFile = QStringLiteral("reconnect.txt");

} // namespace

OverlayParameters MainWindow::panelOverlayParameters() const
{
    OverlayParameters p;
    p.circles = circles;
    for (std::size_t i = 0; i < circles.size(); ++i)
        p.circles[i].enabled = circleEnableChecks[i]->isChecked();
    p.reticleLength = reticleLengthSlider->value();
    p.reticleThickness = reticleThicknessSlider->value();
    p.reticleAngleTenths = reticleAngleSlider->value();
    p.reticleColor = reticleColor;
    p.reticleStyle = reticleStyleCombo->currentIndex();
    p.reticleEnabled = reticleEnableCheck->isChecked();
    p.offset = QPoint(offsetXSlider->value(), offsetYSlider->value());
    p.offsetEnabled = centerOffsetCheck->isChecked();
    return p;
}

// Values go through the widgets, so the paired editors and `circles` follow their signals;
// a value the panel already shows changes nothing.
void MainWindow::showOverlayParameters(const OverlayParameters &p)
{
    for (std::size_t i = 0; i < circles.size(); ++i) {
        circleRadiusSliders[i]->setValue(p.circles[i].radius);
        circleThicknessSliders[i]->setValue(p.circles[i].thickness);
    }
    reticleLengthSlider->setValue(p.reticleLength);
    reticleThicknessSlider->setValue(p.reticleThickness);
    reticleAngleSlider->setValue(p.reticleAngleTenths);
    for (std::size_t i = 0; i < circles.size(); ++i) {
        circles[i].color = p.circles[i].color;
        styleColorButton(circleColorButtons[i], circles[i].color);
    }
    reticleColor = p.reticleColor;
    styleColorButton(reticleColorButton, reticleColor);
    reticleStyleCombo->setCurrentIndex(p.reticleStyle);
    for (std::size_t i = 0; i < circles.size(); ++i)
        circleEnableChecks[i]->setChecked(p.circles[i].enabled);
    reticleEnableCheck->setChecked(p.reticleEnabled);
    offsetXSlider->setValue(p.offset.x());
    offsetYSlider->setValue(p.offset.y());
    centerOffsetCheck->setChecked(p.offsetEnabled);
}

void MainWindow::saveParameters()
{
    const OverlayParameters stored = panelOverlayParameters();
    const QString title = pickText(QStringLiteral("Parameters"), QStringLiteral("參數"), QStringLiteral("参数"));
    if (!writeConfigFile(QStringLiteral("config4k.txt"), formatConfig4k(stored))) {
        showOperatorMessage(this, MessageKind::Warning, title, unableToWrite(QStringLiteral("config4k.txt")));
        return;
    }
    if (!writeConfigFile(QStringLiteral("config1k.txt"), formatConfig1k(stored))) {
        showOperatorMessage(this, MessageKind::Warning, title, unableToWrite(QStringLiteral("config1k.txt")));
        return;
    }
    // Only an open camera's values are its model's: a closed panel may show another device's
    // defaults, which must not replace what was stored for the model.
    if (openedCamera) {
        const QString name = cameraSettingsFileName(openedCamera->name);
        if (!writeConfigFile(name, formatCameraSettings(panelCameraSettings()))) {
            showOperatorMessage(this, MessageKind::Warning, title, unableToWrite(name));
            return;
        }
    }
    showOperatorMessage(this, MessageKind::Information, title,
                        pickText(QStringLiteral("Parameters saved."), QStringLiteral("參數已儲存。"), QStringLiteral("参数已保存。")));
}

std::optional<double> MainWindow::loadPixelScale(const QString &model)
{
    const std::optional<QByteArray> content = readConfigFile(pixelScaleFileName(model));
    return content ? parsePixelScale(*content) : std::nullopt;
}

// The open model's scale, taken into use only once it is stored; `how` says in the log
// whether it was typed or measured.
void MainWindow::storePixelScale(double value, const QString &how, const QString &title)
{
    const QString name = pixelScaleFileName(openedCamera->name);
    if (!writeConfigFile(name, formatPixelScale(value))) {
        showOperatorMessage(this, MessageKind::Warning, title, unableToWrite(name));
        return;
    }
    micrometresPerPixel = value;
    DiagnosticLog(QStringLiteral("Scale of %1 %2 %3 um per pixel").arg(openedCamera->name, how, QString::number(value)));
}

void MainWindow::saveFocusCenter()
{
    // The editors' values are the ones in use even when the file cannot be written.
    centerCodeX = centerCodeXSpin->value();
    centerCodeY = centerCodeYSpin->value();

    const QString title = pickText(QStringLiteral("Center Code"), QStringLiteral("定心碼"), QStringLiteral("定心码"));
    if (!writeConfigFile(QStringLiteral("focus.txt"), formatCenterCode(QPoint(centerCodeX, centerCodeY)))) {
        showOperatorMessage(this, MessageKind::Warning, title, unableToWrite(QStringLiteral("focus.txt")));
        return;
    }
    showOperatorMessage(this, MessageKind::Information, title,
                        pickText(QStringLiteral("Center code saved to focus.txt."), QStringLiteral("定心碼已儲存到 focus.txt。"), QStringLiteral("定心码已保存到 focus.txt。")));
}

// Silent by design: it runs at every start, and a missing or short file just keeps the panel.
void MainWindow::loadParameters()
{
    if (const std::optional<QByteArray> content = readConfigFile(QStringLiteral("config4k.txt"))) {
        if (const std::optional<OverlayParameters> stored = parseConfig4k(*content, panelOverlayParameters()))
            showOverlayParameters(*stored);
    }

    if (const std::optional<QByteArray> focus = readConfigFile(QStringLiteral("focus.txt"))) {
        if (const std::optional<QPoint> code = parseCenterCode(*focus)) {
            centerCodeX = code->x();
            centerCodeY = code->y();
        }
    }
    // Show the centre in use, whether or not the file gave one. An editor limits a value
    // beyond its range without a change signal when it already shows the limit, so take the
    // shown value back: the overlay must sit where the panel says it does.
    if (centerCodeXSpin) {
        centerCodeXSpin->setValue(centerCodeX);
        centerCodeX = centerCodeXSpin->value();
    }
    if (centerCodeYSpin) {
        centerCodeYSpin->setValue(centerCodeY);
        centerCodeY = centerCodeYSpin->value();
    }

    if (const std::optional<QByteArray> reconnect = readConfigFile(autoReconnectFile)) {
        if (const QList<int> fields = parseIntegerFields(*reconnect); !fields.isEmpty())
            autoReconnectCheck->setChecked(fields[0] != 0);
    }
    if (openedCamera)
        applyStoredCameraSettings();
}

std::optional<StoredCameraSettings> MainWindow::loadCameraSettings(const QString &model)
{
    const std::optional<QByteArray> content = readConfigFile(cameraSettingsFileName(model));
    return content ? parseCameraSettings(*content) : std::nullopt;
}

// Stored at once: the operator's choice of how the program behaves, not a value of the set-up
// that Save Parameters keeps.
void MainWindow::saveAutoReconnect(bool enabled)
{
    if (!writeConfigFile(autoReconnectFile, enabled ? QByteArrayLiteral("1\n") : QByteArrayLiteral("0\n")))
        showOperatorMessage(this, MessageKind::Warning, autoReconnectCheck->text(), unableToWrite(autoReconnectFile));
}
