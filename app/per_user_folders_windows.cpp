#include "app/file_locations.h"

#include "app/roaming_app_data_windows.h"

#include <QDir>

namespace {

QString shellFolder(const std::wstring &named, const QString &underHome)
{
    const QString folder = QDir::fromNativeSeparators(QString::fromStdWString(named));
    return folder.isEmpty() ? QDir::home().filePath(underHome) : folder;
}

} // namespace

PerUserFolders perUserFolders()
{
    // The settings are small and follow the user from computer to computer; the log and the
    // snapshots (tens of MB a pair) stay on this one, as a roaming profile copies everything
    // in it at every log-on and log-off. The same layout as beside the executable otherwise.
    const QDir roaming(QDir(shellFolder(roamingAppDataFolder(), QStringLiteral("AppData/Roaming"))).filePath(QStringLiteral("VESK")));
    const QString local = QDir(shellFolder(localAppDataFolder(), QStringLiteral("AppData/Local"))).filePath(QStringLiteral("VESK"));
    return {roaming.filePath(QStringLiteral("config")), local, local};
}
