#pragma once

#include <QString>

// Why the files are where they are.
enum class FilePlacement {
    BesideExecutable, // a portable copy or a build tree: the executable's folder takes them
    InstalledCopy,    // an installed layout or the Windows installer's marker, whoever runs it
    UnwritableFolder, // the executable's folder refused a file
};

// Where the program keeps what it writes. The file formats are the same in every placement.
struct FileLocations {
    FilePlacement placement = FilePlacement::BesideExecutable;
    QString configFolder;   // "config4k.txt", "config1k.txt", "focus.txt"
    QString logFile;        // "vesk-diagnostic.log"
    QString crashDumpFile;  // "vesk-crash.dmp"
    QString snapshotFolder;
    // "config" beside the executable when the settings live elsewhere: a file not yet saved
    // there is read from here, so a portable copy keeps the set-up it came with. Else empty.
    QString fallbackConfigFolder;
};

// This platform's per-user folders for the program, used when the executable's folder cannot be.
struct PerUserFolders {
    QString config; // the settings files themselves
    QString state;  // the log and the crash report
    QString data;   // holds "snapshots"; never in a profile that roams, being large
};

// Defined in the platform's own file.
PerUserFolders perUserFolders();

// The read-only data of an installed copy ("<prefix>/share/vesk" for "<prefix>/bin/vesk").
QString installedDataFolder(const QString &executableFolder);

// Decided on first use, from the application object's executable folder, and the same for the
// rest of the run; the per-user log and crash-report folder exists once this returns.
const FileLocations &fileLocations();

// The English log line that says where the files go and why.
QString describeFileLocations(const FileLocations &locations);
