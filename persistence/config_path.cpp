#include "persistence/config_path.h"

#include "app/diagnostic_log.h"
#include "app/file_locations.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QSet>

QString configFilePath(const QString &name)
{
    const QDir dir(fileLocations().configFolder);
    if (!dir.exists())
        QDir().mkpath(dir.path());
    return dir.filePath(name);
}

QString configFileToRead(const QString &name)
{
    const QString own = configFilePath(name);
    const QString fallbackFolder = fileLocations().fallbackConfigFolder;
    if (fallbackFolder.isEmpty())
        return own;
    const QString fallback = QDir(fallbackFolder).filePath(name);
    const QString chosen = !QFileInfo::exists(own) && QFileInfo::exists(fallback) ? fallback : own;
    if (!QFileInfo::exists(chosen))
        return chosen;

    // Read at every start and every Load: one line per file and place says enough.
    static QMutex mutex;
    static QSet<QString> logged;
    const QMutexLocker lock(&mutex);
    if (!logged.contains(chosen)) {
        logged.insert(chosen);
        DiagnosticLog(QStringLiteral("Reading %1 from %2").arg(name, QDir::toNativeSeparators(QFileInfo(chosen).absolutePath())));
    }
    return chosen;
}
