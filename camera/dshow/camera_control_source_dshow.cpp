#include "camera/camera_control.h"

// DirectShow drivers bring their own property dialog, which the capture backend opens.
std::unique_ptr<CameraControlSource> openCameraControlSource(int)
{
    return nullptr;
}
