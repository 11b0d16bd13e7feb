#pragma once

// Installs the process-wide handler that leaves "vesk-crash.dmp" beside the executable
// when the process dies of an unhandled fault. Needs the application object to exist.
void installCrashHandler();
