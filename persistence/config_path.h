#pragma once

#include <QString>

// Path of a file in the settings folder ("config" beside the executable, or the user's own
// when that cannot be); creates the folder on demand.
QString configFilePath(const QString &name);

// Path to read a settings file from: the settings folder's copy, or, while the settings live
// in the user's folder and it has none yet, the one beside the executable. Logs once per file
// and place where it was read from.
QString configFileToRead(const QString &name);
