#pragma once

#include <QByteArray>
#include <QList>

#include <array>

// The overlay set-up as the parameter files store it: plain integers, booleans as flags.
struct StoredCircle {
    int radius = 0;
    int thickness = 0;
    int red = 0;
    int green = 0;
    int blue = 0;
    bool enabled = false;
};

struct StoredParameters {
    std::array<StoredCircle, 3> circles{};
    int reticleLength = 0;
    int reticleThickness = 0;
    int reticleAngleTenths = 0;
    int reticleRed = 0;
    int reticleGreen = 0;
    int reticleBlue = 0;
    int reticleStyle = 0;
    bool reticleEnabled = false;
    int offsetX = 0;
    int offsetY = 0;
    bool offsetEnabled = false;
};

// Field counts from which the optional tails of "config4k.txt" are present; shorter files
// come from older versions of the program and are still read.
constexpr int kConfig4kMinimumFields = 22;
constexpr int kConfig4kCircleSwitchFields = 25;
constexpr int kConfig4kReticleSwitchFields = 26;
constexpr int kConfig4kFullFields = 29;

// One line of 29 integers, single spaces, "\n" at the end.
QByteArray formatConfig4k(const StoredParameters &parameters);
// One line of 16 integers: sizes, angle, switches and offset, no colours or style.
QByteArray formatConfig1k(const StoredParameters &parameters);

// The integers as one line: single spaces, "\n" at the end.
QByteArray formatIntegerFields(const QList<int> &fields);

// Every white-space separated token of the file as a base-10 integer, 0 for a token that is
// not one. Tolerant on purpose: the files are edited by hand.
QList<int> parseIntegerFields(const QByteArray &content);
