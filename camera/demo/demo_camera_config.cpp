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

std::optional<AlignmentTarget> parseDemoTarget(const QString &value)
{
    AlignmentTarget target;
    QString position = value.trimmed();
    if (position.startsWith(QLatin1String("ring:"))) {
        target.ring = true;
        position = position.mid(5);
    }
    const QStringList parts = position.split(QLatin1Char(','));
    bool okX = false;
    bool okY = false;
    if (parts.size() == 2) {
        target.centre.x = parts[0].trimmed().toDouble(&okX);
        target.centre.y = parts[1].trimmed().toDouble(&okY);
    }
    // Within the largest frame: anything else is a typing error, not a target.
    if (!okX || !okY || !(target.centre.x >= 0 && target.centre.x < 16384 && target.centre.y >= 0 && target.centre.y < 16384))
        return std::nullopt;
    return target;
}

std::optional<DemoCameraConfig> demoCameraConfigFromEnvironment()
{
    std::optional<DemoCameraConfig> config = parseDemoCameraConfig(qEnvironmentVariable("VESK_DEMO_CAMERA"),
                                                                   qEnvironmentVariable("VESK_DEMO_FPS"),
                                                                   qEnvironmentVariable("VESK_DEMO_FAULT"),
                                                                   qEnvironmentVariableIsSet("VESK_DEMO_CAMERA"));
    if (config)
        config->target = parseDemoTarget(qEnvironmentVariable("VESK_DEMO_SPOT"));
    return config;
}
