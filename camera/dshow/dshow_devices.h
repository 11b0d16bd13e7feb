#pragma once

// DirectShow video-input devices in the order OpenCV's DirectShow backend numbers them.
// Free of Qt and OpenCV so that it builds with any Windows tool chain on its own.

#include "camera/reported_ranges.h"

#include <optional>
#include <string>
#include <vector>

struct DshowVideoInput {
    int position = -1;                         // counts every device of the category
    std::optional<std::wstring> friendlyName;  // absent when the device has no readable name
};

// Reads only the devices' property bags; never binds a filter. Empty when enumeration fails.
std::vector<DshowVideoInput> listDshowVideoInputs();

// Binds the filter of the device at position and reads its four ranges, each as GetRange
// reported it and absent when its interface is missing or GetRange failed. Absent as a whole
// when the device cannot be bound or no longer carries expectedName there.
std::optional<ReportedRanges> queryDshowRanges(int position, const std::wstring &expectedName);

// Whether the device at position offers property pages, the driver's own settings dialog.
// Absent when that cannot be told: the device cannot be bound, is another one now, or its
// pages cannot be listed.
std::optional<bool> dshowDeviceHasPropertyPages(int position, const std::wstring &expectedName);
