#pragma once

#include <QString>

// Path of a file in the "config" folder beside the executable; creates the folder on demand.
QString configFilePath(const QString &name);
