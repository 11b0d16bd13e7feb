#include "persistence/parameter_files.h"

#include <QString>
#include <QStringList>

namespace {

// Field counts from which the optional tails of "config4k.txt" are present.
constexpr int minimumFields = 22;
constexpr int circleSwitchFields = 25;
constexpr int reticleSwitchFields = 26;
constexpr int fullFields = 29;

// A hand-edited file may hold any number; the painter and the buttons need real colours.
QColor storedColor(int red, int green, int blue)
{
    return QColor(qBound(0, red, 255), qBound(0, green, 255), qBound(0, blue, 255));
}

void keepIfPositive(int &kept, int stored)
{
    if (stored > 0)
        kept = stored;
}

QList<int> sizeFields(const OverlayParameters &p)
{
    QList<int> fields;
    for (const CircleSettings &circle : p.circles)
        fields << circle.radius << circle.thickness;
    fields << p.reticleLength << p.reticleThickness << p.reticleAngleTenths;
    return fields;
}

QList<int> switchFields(const OverlayParameters &p)
{
    QList<int> fields;
    for (const CircleSettings &circle : p.circles)
        fields << int(circle.enabled);
    fields << int(p.reticleEnabled) << p.offset.x() << p.offset.y() << int(p.offsetEnabled);
    return fields;
}

} // namespace

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

QByteArray formatConfig4k(const OverlayParameters &p)
{
    QList<int> fields = sizeFields(p);
    for (const CircleSettings &circle : p.circles)
        fields << circle.color.red() << circle.color.green() << circle.color.blue();
    fields << p.reticleColor.red() << p.reticleColor.green() << p.reticleColor.blue() << p.reticleStyle;
    return formatIntegerFields(fields + switchFields(p));
}

QByteArray formatConfig1k(const OverlayParameters &p)
{
    return formatIntegerFields(sizeFields(p) + switchFields(p));
}

std::optional<OverlayParameters> parseConfig4k(const QByteArray &content, const OverlayParameters &current)
{
    const QList<int> f = parseIntegerFields(content);
    if (f.size() < minimumFields)
        return std::nullopt;
    OverlayParameters p = current;
    for (int i = 0; i < 3; ++i) {
        CircleSettings &circle = p.circles[std::size_t(i)];
        keepIfPositive(circle.radius, f[2 * i]);
        keepIfPositive(circle.thickness, f[2 * i + 1]);
        circle.color = storedColor(f[9 + 3 * i], f[10 + 3 * i], f[11 + 3 * i]);
    }
    keepIfPositive(p.reticleLength, f[6]);
    keepIfPositive(p.reticleThickness, f[7]);
    p.reticleAngleTenths = f[8];
    p.reticleColor = storedColor(f[18], f[19], f[20]);
    p.reticleStyle = qBound(0, f[21], 1);
    if (f.size() >= circleSwitchFields) {
        for (int i = 0; i < 3; ++i)
            p.circles[std::size_t(i)].enabled = f[22 + i] != 0;
    }
    if (f.size() >= reticleSwitchFields)
        p.reticleEnabled = f[25] != 0;
    if (f.size() >= fullFields) {
        p.offset = QPoint(f[26], f[27]);
        p.offsetEnabled = f[28] != 0;
    }
    return p;
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
