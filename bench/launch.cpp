// Start-up benchmark: time from exec to the first map of a program's window, and its
// peak resident memory shortly after, over alternating launches of two programs.
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Sample {
    double startMs;
    double peakKiB;
};

double NowMs()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

long WindowPid(xcb_connection_t* c, xcb_window_t window, xcb_atom_t pidAtom)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    long pid = -1;
    if (reply && xcb_get_property_value_length(reply) == 4) {
        pid = *static_cast<uint32_t*>(xcb_get_property_value(reply));
    }
    std::free(reply);
    return pid;
}

// Peak resident set size of a live process, from /proc.
double PeakKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atof(line.c_str() + 6);
        }
    }
    return -1;
}

// Launches `program`, waits (on X events, without polling) for a window of its pid to
// be mapped, then lets it settle `settleMs` and reads its peak memory.
bool Measure(const char* program, int settleMs, Sample& sample)
{
    // A server just started may not take connections yet; this is before the clock runs.
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    for (int attempt = 0; xcb_connection_has_error(c) && attempt < 50; ++attempt) {
        xcb_disconnect(c);
        usleep(100000);
        c = xcb_connect(nullptr, nullptr);
    }
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot open the X display\n");
        xcb_disconnect(c);
        return false;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t pidAtom = Atom(c, "_NET_WM_PID");
    xcb_flush(c);

    const double start = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        execl(program, program, static_cast<char*>(nullptr));
        _exit(127);
    }
    bool mapped = false;
    pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (!mapped) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            if (poll(&fd, 1, 20000) <= 0) {
                break;  // twenty seconds without any event: give up
            }
            continue;
        }
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (WindowPid(c, map->window, pidAtom) == pid) {
                sample.startMs = NowMs() - start;
                mapped = true;
            }
        }
        std::free(event);
    }
    if (mapped) {
        usleep(static_cast<useconds_t>(settleMs) * 1000);
        sample.peakKiB = PeakKiB(pid);
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(c);
    return mapped;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Quartile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    const double pos = q * (v.size() - 1);
    const auto low = static_cast<std::size_t>(pos);
    const std::size_t high = std::min(low + 1, v.size() - 1);
    return v[low] + (v[high] - v[low]) * (pos - low);
}

void Report(const char* name, const std::vector<Sample>& samples, double& startMedian, double& memMedian)
{
    std::vector<double> start;
    std::vector<double> mem;
    for (const Sample& s : samples) {
        start.push_back(s.startMs);
        mem.push_back(s.peakKiB / 1024.0);
    }
    startMedian = Median(start);
    memMedian = Median(mem);
    std::printf("%-10s start-up median %7.1f ms (IQR %6.1f-%6.1f, min %6.1f, max %6.1f)   "
                "peak RSS median %6.1f MiB (min %5.1f, max %5.1f)\n",
                name, startMedian, Quartile(start, 0.25), Quartile(start, 0.75), *std::min_element(start.begin(), start.end()),
                *std::max_element(start.begin(), start.end()), memMedian, *std::min_element(mem.begin(), mem.end()),
                *std::max_element(mem.begin(), mem.end()));
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s RUNS TRACKPACE BARE\n", argv[0]);
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<Sample> ours;
    std::vector<Sample> bare;
    for (int i = 0; i < runs; ++i) {
        Sample a{};
        Sample b{};
        if (!Measure(argv[2], 300, a) || !Measure(argv[3], 300, b)) {
            std::fprintf(stderr, "launch %d: no window was mapped\n", i + 1);
            return 1;
        }
        ours.push_back(a);
        bare.push_back(b);
    }
    std::printf("%d alternating launches each, window mapped (MapNotify), peak RSS 300 ms after mapping\n", runs);
    double ourStart = 0;
    double ourMem = 0;
    double bareStart = 0;
    double bareMem = 0;
    Report("Trackpace", ours, ourStart, ourMem);
    Report("bare Qt", bare, bareStart, bareMem);
    std::printf("ratio Trackpace / bare: start-up %.2f, memory %.2f\n", ourStart / bareStart, ourMem / bareMem);
    return 0;
}
