// What the running process is told by the system, set once at start-up.
#pragma once

// A write beyond the file size limit must fail like a full disk, with a message,
// not end the program: the signal for it is ignored where the system sends one.
void IgnoreFileSizeSignal();
// Ends the event loop, as quitting does, when the system asks the program to end
// (SIGTERM, SIGINT, SIGHUP), so that every window and connection closes as it should:
// a locomotive still driven is stopped first. Called again, it takes the signals
// back from whatever took them since.
void QuitOnEndSignals();
