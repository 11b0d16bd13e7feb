#pragma once

#include "camera/camera_control.h"

#include <linux/videodev2.h>

#include <optional>

// The editable kinds of V4L2 control; 64-bit, string, bitmask and compound controls have no
// widget here and are left out.
std::optional<CameraControlType> cameraControlType(quint32 v4l2Type);

// A control as VIDIOC_QUERYCTRL describes it, value = its default; nothing for control-class
// headers and kinds without a widget. Menu items are added by the caller.
std::optional<CameraControl> controlFromQuery(const v4l2_queryctrl &query);

// Whether VIDIOC_G_CTRL can give the control's current value.
bool hasReadableValue(const v4l2_queryctrl &query);

// One VIDIOC_QUERYMENU answer: a named item, or for integer menus the item's number.
CameraMenuItem menuItemFromQuery(const v4l2_querymenu &item, CameraControlType type);

// The controls of one /dev/videoN node, through a descriptor of its own: V4L2 lets several
// descriptors share a node, so this works beside an open stream.
class V4l2ControlSource final : public CameraControlSource {
public:
    explicit V4l2ControlSource(const QString &devicePath);
    ~V4l2ControlSource() override;
    V4l2ControlSource(const V4l2ControlSource &) = delete;
    V4l2ControlSource &operator=(const V4l2ControlSource &) = delete;

    std::vector<CameraControl> listControls() override;
    bool writeControl(quint32 id, int value) override;
    std::optional<int> captureProperty(quint32 id) const override;

private:
    void readMenuItems(CameraControl &control);

    int fd = -1;
};
