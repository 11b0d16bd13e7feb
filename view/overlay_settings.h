#pragma once

#include <QColor>

#include <array>

enum ReticleStyle {
    Cross = 0,
    ThreeVane = 1,
};

struct OverlayCircle {
    bool enabled = false;
    double radius = 0.0;
    double thickness = 1.0;
    QColor color;
};

// What the view draws over one shown frame; lengths in pixels of that frame, angle in degrees.
struct OverlaySettings {
    bool enabled = false;
    double centerX = 0.0;
    double centerY = 0.0;
    std::array<OverlayCircle, 3> circles;
    bool reticleEnabled = false;
    int reticleStyle = Cross;
    double reticleLength = 0.0;
    double reticleThickness = 1.0;
    double reticleAngle = 0.0;
    QColor reticleColor;
};
