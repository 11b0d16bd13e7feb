#pragma once

#include <QString>

// The application style sheet for the day or the night theme, rebuilt from the template on
// every call so switching back and forth never accumulates edits.
QString buildStyleSheet(bool night);
