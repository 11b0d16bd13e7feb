#include "camera/held_controls.h"

#include <QStringList>

#include <opencv2/videoio.hpp>

namespace {

// Each field, the capture property whose driver control it reads, and its name in the log.
struct Field {
    int property;
    std::optional<int> HeldControls::*value;
    const char *name;
};

constexpr Field fields[] = {
    {cv::CAP_PROP_BRIGHTNESS, &HeldControls::brightness, "brightness"},
    {cv::CAP_PROP_FOCUS, &HeldControls::focus, "focus"},
    {cv::CAP_PROP_GAIN, &HeldControls::gain, "gain"},
    {cv::CAP_PROP_EXPOSURE, &HeldControls::exposure, "exposure"},
    {cv::CAP_PROP_AUTOFOCUS, &HeldControls::autoFocus, "auto focus"},
    {cv::CAP_PROP_AUTO_EXPOSURE, &HeldControls::autoExposure, "auto exposure"},
};

} // namespace

HeldControls readHeldControls(CameraControlSource &source)
{
    HeldControls held;
    for (const CameraControl &control : source.listControls()) {
        const std::optional<int> property = source.captureProperty(control.id);
        // A disabled control has no value worth showing.
        if (!property || control.disabled)
            continue;
        for (const Field &field : fields) {
            if (field.property == *property)
                held.*field.value = control.value;
        }
    }
    return held;
}

QString describeHeldControls(const HeldControls &held)
{
    QStringList parts;
    for (const Field &field : fields) {
        if (const std::optional<int> &value = held.*field.value)
            parts << QStringLiteral("%1=%2").arg(QLatin1String(field.name)).arg(*value);
    }
    return parts.join(QStringLiteral(", "));
}
