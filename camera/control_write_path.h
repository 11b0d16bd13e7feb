#pragma once

#include "camera/camera_control.h"

#include <QString>

#include <functional>

// The capture object's locked property write: true when the driver took the value.
using CapturePropertyWriter = std::function<bool(int propertyId, double value, const QString &name)>;
using LogWriter = std::function<void(const QString &line)>;

// Sends one control change to the driver, once, by the route that control takes: through the
// capture object where the capture backend has a property for it (the same locked write as the
// panel's controls), else through the control source. Refusals and exceptions are logged in the
// panel's words and reported as false; nothing is thrown.
class ControlWritePath {
public:
    ControlWritePath(CameraControlSource &source, CapturePropertyWriter writeProperty, LogWriter log);

    bool write(const CameraControl &control, int value);

private:
    bool writeThroughSource(const CameraControl &control, int value);

    CameraControlSource &source;
    CapturePropertyWriter writeProperty;
    LogWriter log;
};
