#pragma once

#include <QString>

// Path of a file in the settings folder ("config" beside the executable, or the user's own
// when that cannot be); creates the folder on demand.
QString configFilePath(const QString &name);
