#pragma once

#include "camera/reported_ranges.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct v4l2_queryctrl;

// One video-capture node, /dev/videoN.
struct V4l2CaptureNode {
    int number = -1;   // N, which is also the index OpenCV's V4L2 backend opens it by
    std::string card;  // cleaned card name, UTF-8; empty when the driver reports none
    std::string bus;   // the driver's bus_info, e.g. "usb-0000:00:14.0-2"; stays with the port
};


// N for an entry named "videoN" (decimal, no leading zeros), nothing for any other name.
std::optional<int> videoNodeNumber(const std::string &entryName);

// The card text up to its terminator, with the "Name: Name" doubling that uvcvideo produces
// reduced to one "Name", also when the doubled text was cut at the end of the card field.
std::string cleanCardName(const char *card, std::size_t fieldSize);

// The range of a queried control; nothing for a disabled control.
std::optional<ReportedRange> rangeFromQueryCtrl(const v4l2_queryctrl &control);

// The capture nodes of a device directory in numeric order. Nodes that vanish or cannot be
// opened while the directory is read are left out; only VIDIOC_QUERYCAP is issued.
std::vector<V4l2CaptureNode> listV4l2CaptureNodes(const std::string &directory = "/dev");

// Brightness, absolute focus, gain and absolute exposure of node N; nothing when the node
// cannot be opened.
std::optional<ReportedRanges> queryV4l2ControlRanges(int number, const std::string &directory = "/dev");
