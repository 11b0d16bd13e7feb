#pragma once

#include <QByteArray>
#include <QPoint>

#include <optional>

// "focus.txt": the x value, one space, the y value, "\n".
QByteArray formatCenterCode(QPoint code);

// The first two integers of the file, white space and line breaks skipped; nothing unless
// both were read, so a damaged file never moves the centre halfway.
std::optional<QPoint> parseCenterCode(const QByteArray &content);
