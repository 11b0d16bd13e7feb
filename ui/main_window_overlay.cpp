#include "ui/main_window.h"

#include "view/image_view.h"
#include "view/overlay_settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>

void MainWindow::collectOverlaySettings(const QSize &, const QPoint &cropOrigin)
{
    imageView->setOverlay(overlaySettingsFor(cropOrigin));
}

OverlaySettings MainWindow::overlaySettingsFor(const QPoint &cropOrigin) const
{
    OverlaySettings record;
    record.enabled = true;

    // The centre code is in full-frame pixels; the view draws in pixels of the shown crop.
    const bool offsetOn = centerOffsetCheck->isChecked();
    const int centerX = centerCodeX - cropOrigin.x() + (offsetOn ? offsetXSlider->value() : 0);
    const int centerY = centerCodeY - cropOrigin.y() + (offsetOn ? offsetYSlider->value() : 0);
    record.centerX = centerX;
    record.centerY = centerY;

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
