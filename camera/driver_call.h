#pragma once

#include <QString>

#include <opencv2/core.hpp>

#include <exception>
#include <optional>

// What a call into the camera driver threw, told apart as the log and the operator need it.
struct DriverFault {
    enum class Kind { OpenCv, Standard, Unknown };
    Kind kind = Kind::Unknown;
    QString what;   // the exception's own text; empty for an unknown one

    // "<kind> exception <context>: <what>", without the text for an unknown exception. Session
    // steps call a standard exception "Standard exception", property writes just "Exception".
    QString logLine(const QString &context, const QString &standardName = QStringLiteral("Standard exception")) const;
};

// Runs a call that reaches the driver. Nothing it throws escapes: a failing driver must end
// neither the process, nor the capture thread unnoticed, nor reach the event loop.
template <typename Call>
std::optional<DriverFault> guardDriverCall(Call &&call)
{
    try {
        call();
    } catch (const cv::Exception &error) {
        return DriverFault{DriverFault::Kind::OpenCv, QString::fromUtf8(error.what())};
    } catch (const std::exception &error) {
        return DriverFault{DriverFault::Kind::Standard, QString::fromUtf8(error.what())};
    } catch (...) {
        return DriverFault{DriverFault::Kind::Unknown, QString()};
    }
    return std::nullopt;
}
