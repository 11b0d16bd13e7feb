#pragma once

#include "camera/camera_platform.h"
#include "camera/camera_types.h"

#include <optional>
#include <vector>

// Named video-input devices in backend order; with queryRanges, supported ones carry their ranges.
std::vector<CameraDeviceInfo> enumerateCameras(CameraPlatform &platform, bool queryRanges);

// A driver's answer as the sliders may use it: invalid when absent or minimum > maximum,
// otherwise the default clamped into the range.
CameraPropertyRange validatedRange(const std::optional<ReportedRange> &reported);

// "min..max default=d" for a valid range, "fallback" otherwise.
QString describeRange(const CameraPropertyRange &range);
