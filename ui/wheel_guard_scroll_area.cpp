#include "ui/wheel_guard_scroll_area.h"

#include <QWheelEvent>

WheelGuardScrollArea::~WheelGuardScrollArea() = default;

void WheelGuardScrollArea::wheelEvent(QWheelEvent *event)
{
    event->ignore();
}
