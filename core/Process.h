// What the running process is told by the system, set once at start-up.
#pragma once

// A write beyond the file size limit must fail like a full disk, with a message,
// not end the program: the signal for it is ignored where the system sends one.
void IgnoreFileSizeSignal();
