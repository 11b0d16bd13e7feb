#include "camera/camera_platform.h"

#include "camera/demo/demo_camera_platform.h"

std::unique_ptr<CameraPlatform> createDefaultCameraPlatform()
{
    std::unique_ptr<CameraPlatform> platform = createSystemCameraPlatform();
    if (auto demo = demoCameraConfigFromEnvironment())
        return std::make_unique<DemoCameraPlatform>(std::move(platform), std::move(*demo));
    return platform;
}
