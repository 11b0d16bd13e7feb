#include "ui/main_window.h"

#include "view/image_view.h"
#include "view/overlay_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QSpinBox>

void MainWindow::collectOverlaySettings(const QSize &, const QPoint &cropOrigin)
{
    imageView->setOverlay(overlaySettingsFor(cropOrigin));
}

OverlaySettings MainWindow::overlaySettingsFor(const QPoint &cropOrigin) const
{
    OverlaySettings record;
    record.enabled = true;

    // The centre code is in full-frame pixels; the view draws in pixels of the shown crop.
    const QPoint centre = overlayCentre() - cropOrigin;
    record.centerX = centre.x();
    record.centerY = centre.y();

    for (std::size_t i = 0; i < circles.size(); ++i) {
        record.circles[i].enabled = circles[i].enabled;
        record.circles[i].radius = circles[i].radius;
        record.circles[i].thickness = circles[i].thickness;
        record.circles[i].color = circles[i].color;
    }

    record.reticleEnabled = reticleEnableCheck->isChecked();
    record.reticleStyle = reticleStyleCombo->currentIndex();
    record.reticleLength = reticleLengthSlider->value();
    record.reticleThickness = reticleThicknessSlider->value();
    record.reticleAngle = reticleAngleSlider->value() / 10.0;
    record.reticleColor = reticleColor;
    return record;
}

QPoint MainWindow::centreOffset() const
{
    return centerOffsetCheck->isChecked() ? QPoint(offsetXSlider->value(), offsetYSlider->value()) : QPoint();
}

QPoint MainWindow::overlayCentre() const
{
    return QPoint(centerCodeX, centerCodeY) + centreOffset();
}

void MainWindow::setCenterCodeAt(const QPoint &pixel)
{
    // The overlay sits at the code plus the centre offset: taking the offset off puts its
    // centre on the pixel that was double-clicked. The editors keep the code within their range.
    const QPoint code = pixel - centreOffset();
    centerCodeXSpin->setValue(code.x());
    centerCodeYSpin->setValue(code.y());
}
