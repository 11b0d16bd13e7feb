#pragma once

#include "camera/camera_control.h"

#include <functional>

class QWidget;

// The nearest value the control accepts: within its range and on its step grid from the minimum.
int snapToControlStep(qint64 value, const CameraControl &control);

// The editing widget of one control, built from its description alone.
struct CameraControlEditor {
    QWidget *field = nullptr;
    // Shows a value read from the driver without reporting it as an operator change.
    std::function<void(int value)> showValue;
};

// Integer: slider and number editor with the driver's range, step and value; boolean: check box;
// menu and integer menu: combo box of the driver's items; button: push button named like the
// control. `changed` receives each operator change once, with the value to write.
CameraControlEditor createControlEditor(const CameraControl &control, QWidget *parent,
                                        std::function<void(int value)> changed);
