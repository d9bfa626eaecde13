// The speed trap's firmware on a simulated board behind a pseudo-terminal, as a real trap is behind its USB port: for the program's own tests, on Linux and under Wine.
//   trap_serve speedtrap.hex LINK MICROSECONDS...
// makes LINK a link to the pseudo-terminal, runs the board in real time, and once the
// program on the other side has set the trap's spacing, drives one pass A>B of each
// MICROSECONDS given, each 1.5 s after the last has gone by. Ends when the program has gone and every pass was made.
#include "TrapSim.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

double Now()
{
    using namespace std::chrono;
    return duration<double, std::micro>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s speedtrap.hex LINK MICROSECONDS...\n", argv[0]);
        return 2;
    }
    TrapSim sim(argv[1], 1);
    if (!sim.Loaded()) {
        std::fprintf(stderr, "%s could not be read\n", argv[1]);
        return 2;
    }
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    // Held open here too, so that the pseudo-terminal lives between the program's opens.
    const int keep = open(ptsname(master), O_RDWR | O_NOCTTY);
    // Raw from the start: a terminal's echo would hand the board its own lines back
    // before the program sets the port up.
    termios mode{};
    tcgetattr(keep, &mode);
    cfmakeraw(&mode);
    tcsetattr(keep, TCSANOW, &mode);
    unlink(argv[2]);
    if (symlink(ptsname(master), argv[2]) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    std::vector<double> passes;
    for (int index = 3; index < argc; ++index) {
        passes.push_back(std::atof(argv[index]));
    }
    std::printf("%s -> %s\n", argv[2], ptsname(master));
    std::fflush(stdout);

    const double started = Now();
    bool heard = false;        // the program has set the spacing
    std::string commands;      // what the program sent, until then
    double passesFrom = -1.0;  // simulated µs when the first pass begins
    std::size_t next = 0;
    double idleSince = Now();
    double lastPass = 0.0;
    for (;;) {
        // Real time paces the board, in steps of a millisecond.
        const double target = Now() - started;
        sim.RunUntil(target);
        const std::string out = sim.TakeOutput();
        if (!out.empty() && write(master, out.data(), out.size()) < 0) {
            // nobody reading yet: the bytes are dropped, as a real port drops them
        }
        if (heard && passesFrom < 0 && out.find("\r\n") != std::string::npos) {
            passesFrom = sim.Micros() + 500'000;
        }
        if (passesFrom >= 0 && next < passes.size()) {
            if (sim.Micros() >= passesFrom) {
                // Sensor A now, B the pass later, each covered 50 ms.
                const double at = sim.Micros();
                sim.SetSensor('A', 0);
                sim.RunUntil(at + 50'000);
                sim.SetSensor('A', 1);
                sim.RunUntil(at + passes[next]);
                sim.SetSensor('B', 0);
                sim.RunUntil(at + passes[next] + 50'000);
                sim.SetSensor('B', 1);
                passesFrom = sim.Micros() + 1'500'000;  // the trap waits for both sensors clear first
                ++next;
                lastPass = Now();
            }
        }
        char in[256];
        const ssize_t got = read(master, in, sizeof in);
        if (got > 0) {
            sim.Send(std::string(in, static_cast<std::size_t>(got)));
            commands.append(in, static_cast<std::size_t>(got));
            heard = heard || commands.find("SPACING ") != std::string::npos;
            idleSince = Now();
        }
        if (next == passes.size() && passesFrom >= 0 && Now() - idleSince > 3e6 && Now() - lastPass > 3e6) {
            break;  // every pass made and told, and the program quiet for 3 s
        }
        if (Now() - started > 120e6) {
            std::fprintf(stderr, "trap_serve: given up after 2 minutes\n");
            break;
        }
        pollfd wait{master, POLLIN, 0};
        poll(&wait, 1, 1);
    }
    unlink(argv[2]);
    close(keep);
    close(master);
    return next == passes.size() ? 0 : 1;
}
