#include "view/spot_badge.h"

#include "app/ui_language.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

// One decimal with its sign always shown, and a true minus sign: an offset is read for its
// direction as much as for its size.
QString signedTenths(double value)
{
    const double tenths = std::round(value * 10.0) / 10.0;
    const QString digits = QString::number(std::abs(tenths), 'f', 1);
    return tenths < 0 ? QChar(0x2212) + digits : QLatin1Char('+') + digits;
}

} // namespace

SpotBadge spotBadgeFor(bool found, const QPointF &spot, const QPointF &centre,
                       std::optional<double> micrometresPerPixel)
{
    SpotBadge badge;
    badge.shown = true;
    badge.found = found;
    if (!found)
        return badge;
    badge.spot = spot;
    badge.delta = spot - centre;
    if (micrometresPerPixel)
        badge.deltaMicrometres = badge.delta * *micrometresPerPixel;
    return badge;
}

void setCornerScores(SpotBadge &badge, double centre, const std::array<double, 4> &corners)
{
    badge.cornersMeasured = centre > 0;
    badge.softestCorner = -1;
    if (!badge.cornersMeasured)
        return;
    for (std::size_t i = 0; i < corners.size(); ++i)
        badge.cornerPercent[i] = 100.0 * corners[i] / centre;
    const auto [lowest, highest] = std::minmax_element(corners.begin(), corners.end());
    if (*highest > 0 && *lowest < 0.85 * *highest)
        badge.softestCorner = int(lowest - corners.begin());
}

QString spotBadgeText(const SpotBadge &badge)
{
    if (!badge.found)
        return pickText(QStringLiteral("Spot --"), QStringLiteral("光點 --"), QStringLiteral("光点 --"));
    QString text = pickText(QStringLiteral("Spot %1, %2 · Δ %3, %4 px"), QStringLiteral("光點 %1, %2 · Δ %3, %4 px"),
                            QStringLiteral("光点 %1, %2 · Δ %3, %4 px"))
                       .arg(QString::number(badge.spot.x(), 'f', 1), QString::number(badge.spot.y(), 'f', 1),
                            signedTenths(badge.delta.x()), signedTenths(badge.delta.y()));
    if (badge.deltaMicrometres)
        text += QStringLiteral(" · Δ %1, %2 µm")
                    .arg(signedTenths(badge.deltaMicrometres->x()), signedTenths(badge.deltaMicrometres->y()));
    return text;
}

QString cornerBadgeText(const SpotBadge &badge)
{
    static const QString arrows[4] = {QStringLiteral("↖"), QStringLiteral("↗"), QStringLiteral("↙"), QStringLiteral("↘")};
    QStringList parts;
    for (int i = 0; i < 4; ++i) {
        const QString part = QStringLiteral("%1 %2 %").arg(arrows[i]).arg(std::lround(badge.cornerPercent[std::size_t(i)]));
        parts << (i == badge.softestCorner ? QStringLiteral("[%1]").arg(part) : part);
    }
    return parts.join(QLatin1Char(' '));
}
