#include "camera/camera_enumeration.h"

#include "app/diagnostic_log.h"
#include "camera/supported_cameras.h"

#include <algorithm>

namespace {

void queryCameraRanges(CameraPlatform &platform, const VideoInput &input, CameraDeviceInfo &device)
{
    const std::optional<ReportedRanges> reported = platform.queryRanges(input);
    if (!reported) {
        DiagnosticLog(QStringLiteral("Unable to bind camera %1 for property range query").arg(device.name));
        return;
    }
    device.brightness = validatedRange(reported->brightness);
    device.focus = validatedRange(reported->focus);
    device.gain = validatedRange(reported->gain);
    device.exposure = validatedRange(reported->exposure);
    DiagnosticLog(QStringLiteral("Camera ranges for %1: brightness=%2, focus=%3, gain=%4, exposure=%5")
                      .arg(device.name, describeRange(device.brightness), describeRange(device.focus),
                           describeRange(device.gain), describeRange(device.exposure)));
}

} // namespace

std::vector<CameraDeviceInfo> enumerateCameras(CameraPlatform &platform, bool queryRanges)
{
    std::vector<CameraDeviceInfo> result;
    for (const VideoInput &input : platform.listVideoInputs()) {
        // A nameless device is left out, but the backend index of every other one is kept as reported.
        if (input.name.isEmpty())
            continue;
        CameraDeviceInfo device;
        device.index = input.index;
        device.name = input.name.trimmed();
        device.bus = input.bus;
        if (queryRanges && findSupportedCamera(device.name))
            queryCameraRanges(platform, input, device);
        result.push_back(device);
    }
    return result;
}

CameraPropertyRange validatedRange(const std::optional<ReportedRange> &reported)
{
    CameraPropertyRange range;
    if (!reported || reported->minimum > reported->maximum)
        return range;
    range.valid = true;
    range.minimum = reported->minimum;
    range.maximum = reported->maximum;
    range.defaultValue = std::clamp(reported->defaultValue, reported->minimum, reported->maximum);
    return range;
}

QString describeRange(const CameraPropertyRange &range)
{
    if (!range.valid)
        return QStringLiteral("fallback");
    return QStringLiteral("%1..%2 default=%3").arg(range.minimum).arg(range.maximum).arg(range.defaultValue);
}
