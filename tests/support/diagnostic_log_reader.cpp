#include "tests/support/diagnostic_log_reader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

DiagnosticLogReader::DiagnosticLogReader() : start(QFile(path()).size()) {}

QString DiagnosticLogReader::path()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vesk-diagnostic.log"));
}

QStringList DiagnosticLogReader::messages() const
{
    QFile file(path());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // The log may have been deleted and recreated since the reader was made.
    if (file.size() >= start)
        file.seek(start);
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  "));
    QStringList result;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = stamp.match(line);
        if (match.hasMatch())
            result.append(line.mid(match.capturedLength()));
        else if (!result.isEmpty())
            result.last() += QLatin1Char('\n') + line;
    }
    return result;
}
