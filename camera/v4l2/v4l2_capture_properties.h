#pragma once

#include <QtGlobal>

#include <optional>

// The OpenCV property by which OpenCV's V4L2 backend sets the control `controlId`, if any.
std::optional<int> capturePropertyForV4l2Control(quint32 controlId);
