#include "camera/demo/demo_camera_config.h"

#include "camera/supported_cameras.h"

#include <QStringList>
#include <QtGlobal>

std::optional<DemoCameraConfig> parseDemoCameraConfig(const QString &camera, const QString &fps,
                                                      const QString &fault, bool cameraSet)
{
    if (!cameraSet)
        return std::nullopt;

    DemoCameraConfig config;
    if (const auto supported = findSupportedCamera(camera))
        config.name = supported->name;

    bool ok = false;
    const double rate = fps.trimmed().toDouble(&ok);
    if (ok && rate >= 1.0 && rate <= 120.0)
        config.framesPerSecond = rate;

    const QStringList parts = fault.trimmed().split(QLatin1Char(':'));
    if (parts.size() == 2) {
        const int after = parts[1].toInt(&ok);
        if (ok && after >= 0) {
            if (parts[0] == QLatin1String("stall-after"))
                config.fault = DemoCameraConfig::Fault::StallAfter;
            else if (parts[0] == QLatin1String("unplug-after"))
                config.fault = DemoCameraConfig::Fault::UnplugAfter;
            if (config.fault != DemoCameraConfig::Fault::None)
                config.faultAfterFrames = after;
        }
    }
    return config;
}

std::optional<DemoCameraConfig> demoCameraConfigFromEnvironment()
{
    return parseDemoCameraConfig(qEnvironmentVariable("VESK_DEMO_CAMERA"),
                                 qEnvironmentVariable("VESK_DEMO_FPS"),
                                 qEnvironmentVariable("VESK_DEMO_FAULT"),
                                 qEnvironmentVariableIsSet("VESK_DEMO_CAMERA"));
}
