#pragma once

// Installs the process-wide handler that leaves "vesk-crash.dmp" where fileLocations() says
// when the process dies of an unhandled fault. Needs the application object to exist.
void installCrashHandler();

// Gives the calling thread a stack of its own for that handler, so that a stack overflow on
// the thread still leaves the report. Every thread VESK starts calls it first; the stack lives
// as long as the thread.
void prepareThreadForCrashReports();
