// The file size signal on POSIX systems, and the signals that ask the program to end, turned into a quit.
#include "core/Process.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler writes a byte to one end; the event loop watches the other.
int EndPipe[2] = {-1, -1};

void OnEndSignal(int /*signal*/)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(EndPipe[1], &byte, 1);
}

// Quits the event loop once a signal has come.
bool Watch()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, EndPipe) != 0) {
        return false;
    }
    auto* notifier = new QSocketNotifier(EndPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t read = ::read(EndPipe[0], &byte, 1);
        QCoreApplication::quit();
    });
    return true;
}

}  // namespace

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

void QuitOnEndSignals()
{
    if (EndPipe[0] < 0 && !Watch()) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}
