#include "camera/control_write_path.h"

#include <opencv2/core.hpp>

#include <exception>
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
    try {
        if (const auto property = source.captureProperty(control.id))
            return writeProperty(*property, static_cast<double>(value), control.name);
        return writeThroughSource(control, value);
    } catch (const cv::Exception &error) {
        log(QStringLiteral("OpenCV exception while setting %1: %2")
                .arg(assignment(control.name, value), QString::fromUtf8(error.what())));
    } catch (const std::exception &error) {
        log(QStringLiteral("Exception while setting %1: %2")
                .arg(assignment(control.name, value), QString::fromUtf8(error.what())));
    } catch (...) {
        log(QStringLiteral("Unknown exception while setting %1").arg(assignment(control.name, value)));
    }
    return false;
}

bool ControlWritePath::writeThroughSource(const CameraControl &control, int value)
{
    if (source.writeControl(control.id, value))
        return true;
    log(QStringLiteral("Driver rejected %1").arg(assignment(control.name, value)));
    return false;
}
