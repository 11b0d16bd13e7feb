#include "app/crash_handler.h"

void installCrashHandler() {}
