#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

// Reads back what the program appended to "vesk-diagnostic.log" beside the test executable
// since this reader was made, as whole messages without their time stamps.
class DiagnosticLogReader {
public:
    DiagnosticLogReader() : start(QFile(path()).size()) {}

    static QString path() { return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vesk-diagnostic.log")); }

    // Messages in file order; a message with line breaks stays one entry.
    QStringList messages() const
    {
        QFile file(path());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        if (file.size() >= start)   // else the log was deleted and made anew since
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
    bool contains(const QString &message) const { return messages().contains(message); }
    bool containsPrefix(const QString &prefix) const
    {
        return !messages().filter(QRegularExpression('^' + QRegularExpression::escape(prefix))).isEmpty();
    }
    int count(const QString &message) const { return int(messages().count(message)); }

private:
    qint64 start = 0;
};
