#include "app/diagnostic_log.h"

#include "app/file_locations.h"

#include <QDateTime>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QTextStream>

void DiagnosticLog(const QString &message)
{
    // One lock for the whole open-write-close, so lines from the GUI and capture
    // threads never interleave and appear in the order the callers arrived.
    static QMutex mutex;
    QMutexLocker locker(&mutex);

    // Opened and closed on every call: the file may be deleted or copied while we run.
    QFile file(fileLocations().logFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return;
    QTextStream stream(&file);
    stream << QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
           << QStringLiteral("  ") << message << Qt::endl;
}
