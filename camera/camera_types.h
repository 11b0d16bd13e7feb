#pragma once

#include <QSize>
#include <QString>

struct SupportedCamera {
    QString name;
    QSize targetSize;
};

struct CameraPropertyRange {
    bool valid = false;
    int minimum = 0;
    int maximum = 0;
    int defaultValue = 0;
};

struct CameraDeviceInfo {
    int index = -1;
    QString name;
    QString bus;   // empty where the backend does not know it
    CameraPropertyRange brightness;
    CameraPropertyRange focus;
    CameraPropertyRange gain;
    CameraPropertyRange exposure;
};
