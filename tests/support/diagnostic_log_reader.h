#pragma once

#include <QString>
#include <QStringList>

#include <algorithm>

// Reads back what the program appended to "vesk-diagnostic.log" beside the test executable
// since this reader was made, as whole messages without their time stamps.
class DiagnosticLogReader {
public:
    DiagnosticLogReader();

    // Messages in file order; a message with line breaks stays one entry.
    QStringList messages() const;
    bool contains(const QString &message) const { return messages().contains(message); }
    bool containsPrefix(const QString &prefix) const
    {
        const QStringList all = messages();
        return std::any_of(all.begin(), all.end(), [&](const QString &m) { return m.startsWith(prefix); });
    }
    int count(const QString &message) const { return int(messages().count(message)); }

    static QString path();

private:
    qint64 start = 0;
};
