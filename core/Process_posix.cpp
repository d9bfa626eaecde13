// The file size signal on POSIX systems.
#include "core/Process.h"

#include <csignal>

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}
