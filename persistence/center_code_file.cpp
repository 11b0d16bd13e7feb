#include "persistence/center_code_file.h"

#include <QString>

#include <climits>

namespace {

// Reads one integer the way stream extraction does (white space and line breaks skipped,
// optional sign, decimal digits up to the first other character), but refuses a number
// that does not fit: a text stream silently wraps it, so a damaged "4294968256" would
// come back as a plausible 960.
std::optional<int> readInteger(const QString &text, qsizetype &pos)
{
    while (pos < text.size() && text[pos].isSpace())
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == QLatin1Char('-') || text[pos] == QLatin1Char('+')))
        negative = text[pos++] == QLatin1Char('-');
    const qsizetype firstDigit = pos;
    long long value = 0;
    bool overflow = false;
    for (; pos < text.size() && text[pos] >= QLatin1Char('0') && text[pos] <= QLatin1Char('9'); ++pos) {
        value = value * 10 + (text[pos].unicode() - '0');
        if (value > 1LL + INT_MAX) {
            overflow = true;
            value = 1LL + INT_MAX;
        }
    }
    if (pos == firstDigit || overflow)
        return std::nullopt;
    const long long signedValue = negative ? -value : value;
    if (signedValue < INT_MIN || signedValue > INT_MAX)
        return std::nullopt;
    return int(signedValue);
}

} // namespace

QByteArray formatCenterCode(QPoint code)
{
    return QByteArray::number(code.x()) + ' ' + QByteArray::number(code.y()) + '\n';
}

std::optional<QPoint> parseCenterCode(const QByteArray &content)
{
    // Decimal only: a hand-typed leading zero must not switch to octal.
    const QString text = QString::fromUtf8(content);
    qsizetype pos = 0;
    const std::optional<int> x = readInteger(text, pos);
    if (!x)
        return std::nullopt;
    const std::optional<int> y = readInteger(text, pos);
    if (!y)
        return std::nullopt;
    return QPoint(*x, *y);
}
