#pragma once

#include <QString>

// Appends one time-stamped line to "vesk-diagnostic.log" where fileLocations() says.
// Safe from any thread and from catch blocks; a line that cannot be written is dropped.
void DiagnosticLog(const QString &message);
