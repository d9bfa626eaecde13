// Windows sends no signal for a file size limit, nor the POSIX signals to end: it ends a program through its windows.
#include "core/Process.h"

void IgnoreFileSizeSignal() {}

// Windows asks a program with windows to end through them, which Qt answers by closing them.
void QuitOnEndSignals() {}
