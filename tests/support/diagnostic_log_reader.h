#pragma once

#include <QString>
#include <QStringList>

// Reads back what the program appended to "vesk-diagnostic.log" beside the test executable
// since this reader was made, as whole messages without their time stamps.
class DiagnosticLogReader {
public:
    DiagnosticLogReader();

    // Messages in file order; a message with line breaks stays one entry.
    QStringList messages() const;
    bool contains(const QString &message) const;
    // True when some message begins with the prefix.
    bool containsPrefix(const QString &prefix) const;
    int count(const QString &message) const;

    static QString path();

private:
    qint64 start = 0;
};
