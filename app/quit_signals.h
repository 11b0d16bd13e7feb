#pragma once

// Turns the operating system's polite requests to end the process into a normal quit
// of the event loop, so the main window's destructor runs and stops the capture cleanly.
void quitOnTerminationRequest();
