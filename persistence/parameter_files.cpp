#include "persistence/parameter_files.h"

#include <QString>
#include <QStringList>

QByteArray formatIntegerFields(const QList<int> &fields)
{
    QByteArray line;
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ' ';
        line += QByteArray::number(fields[i]);
    }
    line += '\n';
    return line;
}

QByteArray formatConfig4k(const StoredParameters &p)
{
    QList<int> fields;
    for (const StoredCircle &circle : p.circles)
        fields << circle.radius << circle.thickness;
    fields << p.reticleLength << p.reticleThickness << p.reticleAngleTenths;
    for (const StoredCircle &circle : p.circles)
        fields << circle.red << circle.green << circle.blue;
    fields << p.reticleRed << p.reticleGreen << p.reticleBlue << p.reticleStyle;
    for (const StoredCircle &circle : p.circles)
        fields << int(circle.enabled);
    fields << int(p.reticleEnabled) << p.offsetX << p.offsetY << int(p.offsetEnabled);
    return formatIntegerFields(fields);
}

QByteArray formatConfig1k(const StoredParameters &p)
{
    QList<int> fields;
    for (const StoredCircle &circle : p.circles)
        fields << circle.radius << circle.thickness;
    fields << p.reticleLength << p.reticleThickness << p.reticleAngleTenths;
    for (const StoredCircle &circle : p.circles)
        fields << int(circle.enabled);
    fields << int(p.reticleEnabled) << p.offsetX << p.offsetY << int(p.offsetEnabled);
    return formatIntegerFields(fields);
}

QList<int> parseIntegerFields(const QByteArray &content)
{
    const QStringList tokens =
        QString::fromUtf8(content).simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<int> fields;
    fields.reserve(tokens.size());
    for (const QString &token : tokens)
        fields << token.toInt(nullptr, 10);
    return fields;
}
