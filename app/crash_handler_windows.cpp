#include "app/crash_handler.h"

#include "app/crash_dump_windows.h"
#include "app/file_locations.h"

#include <QDir>

void installCrashHandler()
{
    installCrashDumpFilter(QDir::toNativeSeparators(fileLocations().crashDumpFile).toStdWString());
}

// The unhandled-exception filter needs no stack of its own: the system keeps room for it.
void prepareThreadForCrashReports() {}
