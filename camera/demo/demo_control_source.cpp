#include "camera/demo/demo_control_source.h"

#include "camera/demo/demo_video_capture.h"

#include <opencv2/videoio.hpp>

#include <cmath>

namespace {

enum DemoControlId : quint32 {
    BrightnessId = 1,
    GainId,
    AutoExposureId,
    ExposureId,
    PowerLineId,
    BacklightId,
    FocusId,
    AutoFocusId,
};

// V4L2's auto-exposure menu values, which the Linux capture backend passes through unchanged.
constexpr int manualExposureMode = 1;
constexpr int aperturePriorityMode = 3;

CameraControl makeControl(quint32 id, const char *name, CameraControlType type, int minimum, int maximum,
                          int defaultValue)
{
    CameraControl control;
    control.id = id;
    control.name = QString::fromLatin1(name);
    control.type = type;
    control.minimum = minimum;
    control.maximum = maximum;
    control.defaultValue = defaultValue;
    control.value = defaultValue;
    return control;
}

std::optional<int> propertyOf(quint32 id)
{
    switch (id) {
    case BrightnessId:
        return cv::CAP_PROP_BRIGHTNESS;
    case GainId:
        return cv::CAP_PROP_GAIN;
    case AutoExposureId:
        return cv::CAP_PROP_AUTO_EXPOSURE;
    case ExposureId:
        return cv::CAP_PROP_EXPOSURE;
    case FocusId:
        return cv::CAP_PROP_FOCUS;
    case AutoFocusId:
        return cv::CAP_PROP_AUTOFOCUS;
    default:
        return std::nullopt;
    }
}

} // namespace

DemoControlSource::DemoControlSource(std::shared_ptr<DemoCameraState> demoState) : state(std::move(demoState))
{
    // Ranges as the demo device reports them to the panel.
    controls.push_back(makeControl(BrightnessId, "Brightness", CameraControlType::Integer, 1, 64, 32));
    controls.push_back(makeControl(GainId, "Gain", CameraControlType::Integer, 0, 15, 0));
    CameraControl autoExposure = makeControl(AutoExposureId, "Auto Exposure", CameraControlType::Menu,
                                             manualExposureMode, aperturePriorityMode, aperturePriorityMode);
    autoExposure.menuItems = {{manualExposureMode, QStringLiteral("Manual Mode")},
                              {aperturePriorityMode, QStringLiteral("Aperture Priority Mode")}};
    controls.push_back(autoExposure);
    controls.push_back(makeControl(ExposureId, "Exposure Time, Absolute", CameraControlType::Integer, -13, -1, -7));
    controls.push_back(makeControl(FocusId, "Focus, Absolute", CameraControlType::Integer, 0, 1023, 536));
    controls.push_back(makeControl(AutoFocusId, "Focus, Automatic Continuous", CameraControlType::Boolean, 0, 1, 1));
    CameraControl powerLine = makeControl(PowerLineId, "Power Line Frequency", CameraControlType::Menu, 0, 2, 1);
    powerLine.menuItems = {{0, QStringLiteral("Disabled")}, {1, QStringLiteral("50 Hz")}, {2, QStringLiteral("60 Hz")}};
    controls.push_back(powerLine);
    controls.push_back(makeControl(BacklightId, "Backlight Compensation", CameraControlType::Boolean, 0, 1, 0));
}

int DemoControlSource::currentValue(const CameraControl &control) const
{
    if (const auto property = propertyOf(control.id)) {
        const std::optional<double> held = state->control(*property);
        return held ? static_cast<int>(std::lround(*held)) : control.defaultValue;
    }
    const auto own = ownValues.find(control.id);
    return own == ownValues.end() ? control.defaultValue : own->second;
}

std::vector<CameraControl> DemoControlSource::listControls()
{
    std::vector<CameraControl> listed = controls;
    for (CameraControl &control : listed)
        control.value = currentValue(control);
    // As a UVC driver flags them: a manual value is inactive while its auto mode is on.
    bool autoExposureOn = false;
    bool autoFocusOn = false;
    for (const CameraControl &control : listed) {
        if (control.id == AutoExposureId)
            autoExposureOn = control.value != manualExposureMode;
        else if (control.id == AutoFocusId)
            autoFocusOn = control.value != 0;
    }
    for (CameraControl &control : listed) {
        if (control.id == ExposureId)
            control.inactive = autoExposureOn;
        else if (control.id == FocusId)
            control.inactive = autoFocusOn;
    }
    return listed;
}

bool DemoControlSource::writeControl(quint32 id, int value)
{
    for (const CameraControl &control : controls) {
        if (control.id != id)
            continue;
        // A driver refuses what is out of range; the mapped ones go through the capture object.
        if (propertyOf(id) || value < control.minimum || value > control.maximum)
            return false;
        ownValues[id] = value;
        return true;
    }
    return false;
}

std::optional<int> DemoControlSource::captureProperty(quint32 id) const
{
    return propertyOf(id);
}
