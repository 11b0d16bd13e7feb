#include "camera/supported_cameras.h"

const std::vector<SupportedCamera> &supportedCameras()
{
    static const std::vector<SupportedCamera> table = {
        {QStringLiteral("Tarn Optik X"), QSize(4000, 3000)},
        {QStringLiteral("vesk7.2"), QSize(4000, 3000)},
        {QStringLiteral("vesk7.1"), QSize(4000, 3000)},
        {QStringLiteral("LENSCAP UVC RK"), QSize(3840, 2160)},
        {QStringLiteral("PR-Z40"), QSize(3840, 2160)},
        {QStringLiteral("vesk5.8"), QSize(3840, 2160)},
        {QStringLiteral("vesk5"), QSize(3840, 2160)},
        {QStringLiteral("ves reticle cam"), QSize(3264, 2448)},
        {QStringLiteral("vesk3.6"), QSize(3264, 2448)},
        {QStringLiteral("vesk3"), QSize(3264, 2448)},
    };
    return table;
}

std::optional<SupportedCamera> findSupportedCamera(const QString &name)
{
    const QString trimmed = name.trimmed();
    for (const SupportedCamera &row : supportedCameras()) {
        if (row.name == trimmed)
            return row;
    }
    return std::nullopt;
}
