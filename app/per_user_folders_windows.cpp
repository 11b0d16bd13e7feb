#include "app/file_locations.h"

#include "app/roaming_app_data_windows.h"

#include <QDir>

PerUserFolders perUserFolders()
{
    QString roaming = QDir::fromNativeSeparators(QString::fromStdWString(roamingAppDataFolder()));
    if (roaming.isEmpty())
        roaming = QDir::home().filePath(QStringLiteral("AppData/Roaming"));
    // The same layout as beside the executable, so a copied folder reads the same.
    const QDir root(QDir(roaming).filePath(QStringLiteral("VESK")));
    return {root.filePath(QStringLiteral("config")), root.path(), root.path()};
}
