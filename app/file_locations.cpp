#include "app/file_locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// Root may write into any folder whatever its mode says, so only a file really created and
// removed again shows that the folder takes files.
bool folderTakesFiles(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".vesk-write-probe-XXXXXX")));
    return probe.open();
}

FileLocations besideExecutable(const QString &executableFolder)
{
    const QDir dir(executableFolder);
    return {FilePlacement::BesideExecutable, dir.filePath(QStringLiteral("config")),
            dir.filePath(QStringLiteral("vesk-diagnostic.log")), dir.filePath(QStringLiteral("vesk-crash.dmp")),
            dir.filePath(QStringLiteral("snapshots")), QString()};
}

FileLocations inUserFolders(FilePlacement placement, const PerUserFolders &perUser, const QString &executableFolder)
{
    const QDir state(perUser.state);
    return {placement, QDir::cleanPath(perUser.config), state.filePath(QStringLiteral("vesk-diagnostic.log")),
            state.filePath(QStringLiteral("vesk-crash.dmp")), QDir(perUser.data).filePath(QStringLiteral("snapshots")),
            besideExecutable(executableFolder).configFolder};
}

FileLocations decideFileLocations(const QString &executableFolder, const PerUserFolders &perUser)
{
    // Tested first: root can write into an installed bin folder but must not litter it, and
    // Windows may let every user write into an installed folder; its installer leaves a marker.
    if (QDir(installedDataFolder(executableFolder)).exists()
        || QFileInfo::exists(QDir(executableFolder).filePath(QStringLiteral("vesk-installed.txt"))))
        return inUserFolders(FilePlacement::InstalledCopy, perUser, executableFolder);
    if (!folderTakesFiles(executableFolder))
        return inUserFolders(FilePlacement::UnwritableFolder, perUser, executableFolder);
    return besideExecutable(executableFolder);
}

} // namespace

QString installedDataFolder(const QString &executableFolder)
{
    return QDir::cleanPath(QDir(executableFolder).filePath(QStringLiteral(VESK_INSTALLED_DATA_FROM_BIN)));
}

const FileLocations &fileLocations()
{
    static const FileLocations decided = [] {
        FileLocations locations = decideFileLocations(QCoreApplication::applicationDirPath(), perUserFolders());
        // The log opens its file for appending and the crash handler cannot create folders.
        if (locations.placement != FilePlacement::BesideExecutable)
            QDir().mkpath(QFileInfo(locations.logFile).absolutePath());
        return locations;
    }();
    return decided;
}

QString describeFileLocations(const FileLocations &locations)
{
    if (locations.placement == FilePlacement::BesideExecutable)
        return QStringLiteral("Files are kept beside the executable in %1")
            .arg(QDir::toNativeSeparators(QFileInfo(locations.logFile).absolutePath()));
    const QString why = locations.placement == FilePlacement::InstalledCopy
                            ? QStringLiteral("This is an installed copy")
                            : QStringLiteral("The executable's folder takes no files");
    return QStringLiteral("%1; settings are kept in %2, the log and crash report in %3, snapshots in %4")
        .arg(why, QDir::toNativeSeparators(locations.configFolder),
             QDir::toNativeSeparators(QFileInfo(locations.logFile).absolutePath()),
             QDir::toNativeSeparators(locations.snapshotFolder));
}
