#include "camera/driver_call.h"

QString DriverFault::logLine(const QString &context, const QString &standardName) const
{
    switch (kind) {
    case Kind::OpenCv:
        return QStringLiteral("OpenCV exception %1: %2").arg(context, what);
    case Kind::Standard:
        return QStringLiteral("%1 %2: %3").arg(standardName, context, what);
    case Kind::Unknown:
        break;
    }
    return QStringLiteral("Unknown exception %1").arg(context);
}
