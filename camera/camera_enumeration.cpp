#include "camera/camera_enumeration.h"

#include "camera/camera_platform.h"

std::vector<CameraDeviceInfo> enumerateCameras(CameraPlatform &, bool) { return {}; }
QString describeRange(const CameraPropertyRange &) { return QString(); }
