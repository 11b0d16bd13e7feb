#include "view/background_recolour.h"

#include <algorithm>
#include <cmath>

namespace {

int blendChannel(int light, int dark, double t)
{
    return static_cast<int>(std::lround(light * (1.0 - t) + dark * t));
}

} // namespace

QImage recolourForNight(const QImage &source)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            const int r = qRed(pixel);
            const int g = qGreen(pixel);
            const int b = qBlue(pixel);
            if (std::max({r, g, b}) - std::min({r, g, b}) >= 65)
                continue;
            const double t = (r + g + b) / 765.0;
            line[x] = qRgba(blendChannel(248, 29, t), blendChannel(240, 7, t),
                            blendChannel(243, 14, t), qAlpha(pixel));
        }
    }
    return image;
}
