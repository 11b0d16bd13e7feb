#pragma once

// Free of Qt and OpenCV, so that the backends' own driver code can fill it directly.

#include <optional>

// A range exactly as a driver reported it, before any validation.
struct ReportedRange {
    int minimum = 0;
    int maximum = 0;
    int defaultValue = 0;
};

// Per property: no value when the driver gave no answer for it.
struct ReportedRanges {
    std::optional<ReportedRange> brightness;
    std::optional<ReportedRange> focus;
    std::optional<ReportedRange> gain;
    std::optional<ReportedRange> exposure;
};
