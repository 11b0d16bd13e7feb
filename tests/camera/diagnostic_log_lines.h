#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>

// The diagnostic log beside the test executable, read back as bare messages.
inline QString diagnosticLogPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vesk-diagnostic.log"));
}

inline void clearDiagnosticLog()
{
    QFile::remove(diagnosticLogPath());
}

inline QStringList diagnosticLogMessages()
{
    QFile file(diagnosticLogPath());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // Each line starts with "yyyy-MM-dd HH:mm:ss.zzz" and two spaces.
    constexpr int stampLength = 25;
    QStringList messages;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        messages.append(line.mid(stampLength));
    return messages;
}
