#include "persistence/config_path.h"

#include <QCoreApplication>
#include <QDir>

QString configFilePath(const QString &name)
{
    QDir dir(QCoreApplication::applicationDirPath());
    if (!dir.exists(QStringLiteral("config")))
        dir.mkpath(QStringLiteral("config"));
    return dir.filePath(QStringLiteral("config/") + name);
}
