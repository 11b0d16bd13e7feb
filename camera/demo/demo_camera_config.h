#pragma once

#include "camera/demo/demo_pattern.h"

#include <QString>

#include <optional>

// What the synthetic camera does, read from VESK_DEMO_CAMERA, VESK_DEMO_FPS, VESK_DEMO_FAULT
// and VESK_DEMO_SPOT.
struct DemoCameraConfig {
    enum class Fault {
        None,
        StallAfter,   // reads return nothing after faultAfterFrames, the device stays listed
        UnplugAfter,  // the device also leaves the device list
    };

    QString name = QStringLiteral("vesk7.2");
    double framesPerSecond = 15.0;
    Fault fault = Fault::None;
    int faultAfterFrames = 0;
    // Decoded reads decode the camera's MJPG frame, as a capture backend does, instead of
    // copying the drawn picture; the benchmark compares both paths on one stream this way.
    bool decodesMjpg = false;
    // Drawn over the middle of the picture: VESK_DEMO_SPOT "x,y" for a spot, "ring:x,y" for a ring.
    std::optional<AlignmentTarget> target;
};

// Nothing for an empty or unreadable value.
std::optional<AlignmentTarget> parseDemoTarget(const QString &value);

// No value when VESK_DEMO_CAMERA is unset. Unusable values fall back to the defaults.
std::optional<DemoCameraConfig> parseDemoCameraConfig(const QString &camera, const QString &fps,
                                                      const QString &fault, bool cameraSet);
std::optional<DemoCameraConfig> demoCameraConfigFromEnvironment();
