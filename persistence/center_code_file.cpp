#include "persistence/center_code_file.h"

#include <QTextStream>

QByteArray formatCenterCode(QPoint code)
{
    return QByteArray::number(code.x()) + ' ' + QByteArray::number(code.y()) + '\n';
}

std::optional<QPoint> parseCenterCode(const QByteArray &content)
{
    QTextStream stream(content);
    // The file holds decimal numbers; a hand-typed leading zero must not switch to octal.
    stream.setIntegerBase(10);
    int x = 0;
    int y = 0;
    stream >> x >> y;
    if (stream.status() != QTextStream::Ok)
        return std::nullopt;
    return QPoint(x, y);
}
