#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <vector>

enum class CameraControlType {
    Integer,
    Boolean,
    Menu,
    IntegerMenu,
    Button,
};

// One choice of a menu control: the value written is `index`, `text` is what the operator sees.
struct CameraMenuItem {
    int index = 0;
    QString text;
};

// One driver control as the driver describes it, with its value at the time it was read.
struct CameraControl {
    quint32 id = 0;
    QString name;   // the driver's own name, shown untranslated
    CameraControlType type = CameraControlType::Integer;
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    int defaultValue = 0;
    int value = 0;
    bool inactive = false;  // not applicable right now, e.g. manual exposure while auto exposure is on
    bool disabled = false;  // switched off by the driver for good
    bool readOnly = false;  // readable only, or held by another user of the device
    std::vector<CameraMenuItem> menuItems;
};

// The operator may change the control now.
inline bool isControlEditable(const CameraControl &control)
{
    return !control.inactive && !control.disabled && !control.readOnly;
}

// The driver controls of one device.
class CameraControlSource {
public:
    virtual ~CameraControlSource() = default;

    // Every control with its current value and flags, read afresh on each call.
    virtual std::vector<CameraControl> listControls() = 0;

    // Writes one value; false when the driver refused it or the device is gone.
    virtual bool writeControl(quint32 id, int value) = 0;

    // The capture backend's property that sets this control, when the backend has one; such
    // controls are written through the capture object so that the write takes the capture lock.
    virtual std::optional<int> captureProperty(quint32 id) const = 0;
};

// The controls of the capture backend's device `deviceIndex`, for platforms whose capture backend
// has no driver dialog of its own; null where the driver shows its own dialog instead.
std::unique_ptr<CameraControlSource> openCameraControlSource(int deviceIndex);
