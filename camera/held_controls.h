#pragma once

#include "camera/camera_control.h"

#include <QString>

#include <optional>

// What the camera holds for the panel's four properties and two auto modes, in driver values;
// no value where the driver has no such control.
struct HeldControls {
    std::optional<int> brightness;
    std::optional<int> focus;
    std::optional<int> gain;
    std::optional<int> exposure;
    std::optional<int> autoFocus;      // 0 = off
    std::optional<int> autoExposure;   // the driver's mode value
};

// Reads them through the driver controls that the capture backend's properties reach.
HeldControls readHeldControls(CameraControlSource &source);

// One log line's worth, e.g. "brightness=22, auto focus=1"; empty when nothing was read.
QString describeHeldControls(const HeldControls &held);
