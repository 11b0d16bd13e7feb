#include "camera/control_write_path.h"

#include "camera/driver_call.h"

#include <utility>

namespace {

// "name=value" with the value formatted as the panel formats it (QString::arg(double) defaults).
QString assignment(const QString &name, int value)
{
    return QStringLiteral("%1=%2").arg(name, QStringLiteral("%1").arg(static_cast<double>(value)));
}

} // namespace

ControlWritePath::ControlWritePath(CameraControlSource &source, CapturePropertyWriter writeProperty,
                                   LogWriter log)
    : source(source), writeProperty(std::move(writeProperty)), log(std::move(log))
{
}

bool ControlWritePath::write(const CameraControl &control, int value)
{
    bool written = false;
    const std::optional<DriverFault> fault = guardDriverCall([&] {
        if (const auto property = source.captureProperty(control.id))
            written = writeProperty(*property, static_cast<double>(value), control.name);
        else
            written = writeThroughSource(control, value);
    });
    if (fault)
        log(fault->logLine(QStringLiteral("while setting %1").arg(assignment(control.name, value)), QStringLiteral("Exception")));
    return written;
}

bool ControlWritePath::writeThroughSource(const CameraControl &control, int value)
{
    if (source.writeControl(control.id, value))
        return true;
    log(QStringLiteral("Driver rejected %1").arg(assignment(control.name, value)));
    return false;
}
