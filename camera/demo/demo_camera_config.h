#pragma once

#include <QString>

#include <optional>

// What the synthetic camera does, read from VESK_DEMO_CAMERA, VESK_DEMO_FPS and VESK_DEMO_FAULT.
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
};

// No value when VESK_DEMO_CAMERA is unset. Unusable values fall back to the defaults.
std::optional<DemoCameraConfig> parseDemoCameraConfig(const QString &camera, const QString &fps,
                                                      const QString &fault, bool cameraSet);
std::optional<DemoCameraConfig> demoCameraConfigFromEnvironment();
