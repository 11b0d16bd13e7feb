#include "app/file_locations.h"

#include <QDir>

namespace {

// The freedesktop base-directory rules: an unset, empty or relative variable means the default.
QString baseFolder(const char *variable, const QString &defaultUnderHome)
{
    const QString value = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(value) ? value : QDir::home().filePath(defaultUnderHome);
}

} // namespace

PerUserFolders perUserFolders()
{
    const QString name = QStringLiteral("/VESK");
    return {baseFolder("XDG_CONFIG_HOME", QStringLiteral(".config")) + name,
            baseFolder("XDG_STATE_HOME", QStringLiteral(".local/state")) + name,
            baseFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) + name};
}
