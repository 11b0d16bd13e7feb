#include "app/quit_signals.h"

// A GUI process on Windows is asked to end through window messages (WM_CLOSE,
// WM_ENDSESSION), which Qt already turns into closing the window and leaving the event loop.
void quitOnTerminationRequest() {}
