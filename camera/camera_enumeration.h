#pragma once

#include "camera/camera_types.h"

#include <vector>

class CameraPlatform;

// Named video-input devices in backend order; with queryRanges, supported ones carry their ranges.
std::vector<CameraDeviceInfo> enumerateCameras(CameraPlatform &platform, bool queryRanges);

// "min..max default=d" for a valid range, "fallback" otherwise.
QString describeRange(const CameraPropertyRange &range);
