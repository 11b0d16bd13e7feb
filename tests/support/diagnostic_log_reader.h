#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

// Reads back what the program appended to "vesk-diagnostic.log" beside the test executable
// since this reader was made, as whole messages without their time stamps.
class DiagnosticLogReader {
public:
    DiagnosticLogReader() : start(QFile(path()).size()) {}

    static QString path() { return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vesk-diagnostic.log")); }

    QStringList messages() const
    {
        QFile file(path());
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return {};
        if (file.size() >= start)   // else the log was deleted and made anew since
            file.seek(start);
        static const QRegularExpression stamp(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}  "));
        QStringList result;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (stamp.match(line).hasMatch())
                result.append(line.mid(25));
            else if (!result.isEmpty())   // a message with line breaks stays one entry
                result.last() += QLatin1Char('\n') + line;
        }
        return result;
    }
    bool contains(const QString &message) const { return messages().contains(message); }
    bool containsPrefix(const QString &prefix) const
    {
        const QStringList all = messages();
        return std::any_of(all.begin(), all.end(), [&](const QString &m) { return m.startsWith(prefix); });
    }
    int count(const QString &message) const { return int(messages().count(message)); }

private:
    qint64 start = 0;
};
