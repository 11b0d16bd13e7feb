#include "ui/main_window.h"

#include "view/image_view.h"

#include <QCheckBox>
#include <QSlider>

#include <tuple>

void MainWindow::updateFocusRequest()
{
    if (!focusMeterEnabled)
        return;
    const auto tied = [](const FocusConditions &c) {
        return std::tie(c.insideCircle, c.centre, c.radius, c.zoom, c.focus, c.autoFocus);
    };
    const CircleSettings &circle = circles[0];
    const FocusConditions now{circle.enabled, overlayCentre(), circle.radius, zoomFactor,
                              focusSlider->value(), autoFocusCheck->isChecked()};
    if (!focusConditions || tied(*focusConditions) != tied(now)) {
        // Readings measured before this point belong to other conditions: they are ignored
        // when they come back, and the peak starts afresh.
        focusConditions = now;
        ++focusRequest.generation;
        focusPeak.restart(focusRequest.generation);
        FocusBadge badge;
        badge.shown = true;
        imageView->setFocusBadge(badge);
    }
    focusRequest.enabled = true;
    focusRequest.insideCircle = now.insideCircle;
    focusRequest.centre = cv::Point2d(now.centre.x(), now.centre.y());
    focusRequest.radius = now.radius;
    if (decodePool)
        decodePool->setFocusRequest(focusRequest);
}

void MainWindow::showFocusReading(const FocusReading &reading)
{
    if (!focusMeterEnabled || !focusPeak.add(reading))
        return;
    FocusBadge badge;
    badge.shown = true;
    badge.measured = focusPeak.measured();
    badge.score = focusPeak.score();
    badge.peak = focusPeak.peak();
    imageView->setFocusBadge(badge);
    showSpotReading(reading);
}
