// Windows sends no signal for a file size limit: a write beyond one simply fails.
#include "core/Process.h"

void IgnoreFileSizeSignal() {}
