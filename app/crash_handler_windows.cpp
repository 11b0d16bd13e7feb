#include "app/crash_handler.h"

#include "app/crash_dump_windows.h"

#include <QCoreApplication>
#include <QDir>

void installCrashHandler()
{
    const QString path = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vesk-crash.dmp"));
    installCrashDumpFilter(QDir::toNativeSeparators(path).toStdWString());
}

// The unhandled-exception filter needs no stack of its own: the system keeps room for it.
void prepareThreadForCrashReports() {}
