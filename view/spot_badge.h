#pragma once

#include <QPointF>
#include <QString>

#include <array>
#include <optional>

// What the spot finder's badges show: where the target is and how far it sits from the
// overlay's centre, and how sharp each corner of the picture is against its middle.
struct SpotBadge {
    bool shown = false;             // the meter is on
    bool found = false;
    QPointF spot;                   // full-frame pixels, as the overlay's centre is drawn
    QPointF delta;                  // the spot minus the overlay's centre, pixels
    std::optional<QPointF> deltaMicrometres;
    bool cornersMeasured = false;
    std::array<double, 4> cornerPercent{};   // top left, top right, bottom left, bottom right
    int softestCorner = -1;         // set while the corners differ by more than 15 %
};

// `centre` is the overlay's centre as drawn (centre code plus offset); with a scale, the
// offset is given in micrometres too.
SpotBadge spotBadgeFor(bool found, const QPointF &spot, const QPointF &centre,
                       std::optional<double> micrometresPerPixel);

// Each corner's score as a percentage of the centre's; the softest is marked when the weakest
// corner is more than 15 % below the strongest. Nothing without a centre score to compare with.
void setCornerScores(SpotBadge &badge, double centre, const std::array<double, 4> &corners);

// "Spot 1531.4, 1083.7 · Δ +12.4, −3.1 px", with "· Δ +6.2, −1.6 µm" once a scale is set;
// "Spot --" without a spot.
QString spotBadgeText(const SpotBadge &badge);
// "↖ 92 % ↗ 95 % ↙ 71 % ↘ 90 %", the softest corner in brackets.
QString cornerBadgeText(const SpotBadge &badge);
