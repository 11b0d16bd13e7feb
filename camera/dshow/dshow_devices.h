#pragma once

// DirectShow video-input devices in the order OpenCV's DirectShow backend numbers them.
// Free of Qt and OpenCV so that it builds with any Windows tool chain on its own.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct DshowVideoInput {
    int position = -1;                         // counts every device of the category
    std::optional<std::wstring> friendlyName;  // absent when the device has no readable name
};

// A range exactly as the driver's GetRange reported it.
struct DshowRange {
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t defaultValue = 0;
};

// Per property: absent when the interface is missing or GetRange failed.
struct DshowRanges {
    std::optional<DshowRange> brightness;
    std::optional<DshowRange> focus;
    std::optional<DshowRange> gain;
    std::optional<DshowRange> exposure;
};

// Reads only the devices' property bags; never binds a filter. Empty when enumeration fails.
std::vector<DshowVideoInput> listDshowVideoInputs();

// Binds the filter of the device at position and reads its four ranges. Absent when the
// device cannot be bound or no longer carries expectedName there.
std::optional<DshowRanges> queryDshowRanges(int position, const std::wstring &expectedName);
