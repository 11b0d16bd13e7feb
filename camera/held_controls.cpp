#include "camera/held_controls.h"

#include <QStringList>

#include <opencv2/videoio.hpp>

HeldControls readHeldControls(CameraControlSource &source)
{
    HeldControls held;
    for (const CameraControl &control : source.listControls()) {
        const std::optional<int> property = source.captureProperty(control.id);
        // A disabled control has no value worth showing.
        if (!property || control.disabled)
            continue;
        switch (*property) {
        case cv::CAP_PROP_BRIGHTNESS:
            held.brightness = control.value;
            break;
        case cv::CAP_PROP_FOCUS:
            held.focus = control.value;
            break;
        case cv::CAP_PROP_GAIN:
            held.gain = control.value;
            break;
        case cv::CAP_PROP_EXPOSURE:
            held.exposure = control.value;
            break;
        case cv::CAP_PROP_AUTOFOCUS:
            held.autoFocus = control.value;
            break;
        case cv::CAP_PROP_AUTO_EXPOSURE:
            held.autoExposure = control.value;
            break;
        default:
            break;
        }
    }
    return held;
}

QString describeHeldControls(const HeldControls &held)
{
    QStringList parts;
    const auto add = [&parts](const char *name, const std::optional<int> &value) {
        if (value)
            parts << QStringLiteral("%1=%2").arg(QLatin1String(name)).arg(*value);
    };
    add("brightness", held.brightness);
    add("focus", held.focus);
    add("gain", held.gain);
    add("exposure", held.exposure);
    add("auto focus", held.autoFocus);
    add("auto exposure", held.autoExposure);
    return parts.join(QStringLiteral(", "));
}
