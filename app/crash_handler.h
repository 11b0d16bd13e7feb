#pragma once

// Installs the process-wide handler that leaves "vesk-crash.dmp" where fileLocations() says
// when the process dies of an unhandled fault. Needs the application object to exist.
void installCrashHandler();
