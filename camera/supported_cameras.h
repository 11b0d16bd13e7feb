#pragma once

#include "camera/camera_types.h"

#include <optional>
#include <vector>

// The camera models this program works with, in search order.
const std::vector<SupportedCamera> &supportedCameras();

// The first row whose name equals the trimmed name exactly (case-sensitive).
std::optional<SupportedCamera> findSupportedCamera(const QString &name);
