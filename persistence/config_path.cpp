#include "persistence/config_path.h"

#include "app/file_locations.h"

#include <QDir>

QString configFilePath(const QString &name)
{
    const QDir dir(fileLocations().configFolder);
    if (!dir.exists())
        QDir().mkpath(dir.path());
    return dir.filePath(name);
}
