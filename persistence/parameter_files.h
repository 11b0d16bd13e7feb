#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPoint>

#include <array>
#include <optional>

// One overlay circle as the panel edits it and the parameter files store it.
struct CircleSettings {
    bool enabled = true;
    int radius = 300;
    int thickness = 2;
    QColor color = QColor(80, 220, 120);
};

// The operator's overlay set-up: everything "config4k.txt" holds. The reticle angle is kept
// in tenths of a degree, as its slider counts.
struct OverlayParameters {
    std::array<CircleSettings, 3> circles{};
    int reticleLength = 0;
    int reticleThickness = 0;
    int reticleAngleTenths = 0;
    QColor reticleColor;
    int reticleStyle = 0;
    bool reticleEnabled = false;
    QPoint offset;
    bool offsetEnabled = false;
};

// One line of 29 integers, single spaces, "\n" at the end; colours as red, green, blue.
QByteArray formatConfig4k(const OverlayParameters &parameters);
// One line of 16 integers: sizes, angle, switches and offset, no colours or style.
QByteArray formatConfig1k(const OverlayParameters &parameters);

// The file's values laid over `current`. Nothing from a file of fewer than 22 numbers; sizes
// only where above 0; colours limited to 0 to 255 and the style to 0 to 1; the switches and
// the offset only where the file is long enough to hold them, since shorter files come from
// older versions of the program and are still read.
std::optional<OverlayParameters> parseConfig4k(const QByteArray &content, const OverlayParameters &current);

// The integers as one line: single spaces, "\n" at the end.
QByteArray formatIntegerFields(const QList<int> &fields);

// Every white-space separated token of the file as a base-10 integer, 0 for a token that is
// not one. Tolerant on purpose: the files are edited by hand.
QList<int> parseIntegerFields(const QByteArray &content);
