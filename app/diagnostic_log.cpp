#include "app/diagnostic_log.h"

void DiagnosticLog(const QString &) {}
