// The speed trap's firmware, built as it is flashed, on a simulated board: each row drives the sensors at exact times and reads what the trap says.
#include "TrapSim.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

const char* hexFile = nullptr;
int failures = 0;

void Check(bool ok, const std::string& row, const std::string& what)
{
    std::printf("%s  %s: %s\n", ok ? "PASS" : "FAIL", row.c_str(), what.c_str());
    failures += ok ? 0 : 1;
}

// A sensor's line changing: covered (active) or clear, `at` µs since power-on.
struct Edge {
    double at;
    char sensor;
    bool active;
};

// A sensor covered from `from` for `covered` µs, with `bounces` short flickers at its
// start, as a reed switch gives.
void Cover(std::vector<Edge>& edges, char sensor, double from, double covered, int bounces = 0)
{
    edges.push_back({from, sensor, true});
    for (int bounce = 0; bounce < bounces; ++bounce) {
        edges.push_back({from + 300.0 * bounce + 100.0, sensor, false});
        edges.push_back({from + 300.0 * bounce + 250.0, sensor, true});
    }
    edges.push_back({from + covered, sensor, false});
}

// The edges in the order of their times, then the board run until `until`.
void Drive(TrapSim& sim, std::vector<Edge> edges, int idle, double until)
{
    std::stable_sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.at < b.at; });
    for (const Edge& edge : edges) {
        sim.RunUntil(edge.at);
        sim.SetSensor(edge.sensor, edge.active ? 1 - idle : idle);
    }
    sim.RunUntil(until);
}

// Control characters as C writes them, so that a line reads as it was sent.
std::string Shown(const std::string& text)
{
    std::string shown;
    for (const char c : text) {
        shown += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return shown;
}

// The board after its start line, which is checked on the way.
struct Booted {
    TrapSim sim;
    int idle;
    explicit Booted(int idleLevel) : sim(hexFile, idleLevel), idle(idleLevel) { sim.RunUntil(100'000); }
};

// "PASS A>B 1234567" as its direction and microseconds; nothing else matches.
bool ReadPass(const std::string& line, std::string& direction, long& micros)
{
    char from = 0;
    char to = 0;
    int used = 0;
    if (std::sscanf(line.c_str(), "PASS %c>%c %ld\r\n%n", &from, &to, &micros, &used) != 3 ||
        used != static_cast<int>(line.size())) {
        return false;
    }
    direction = {from, '>', to};
    return true;
}

// A pass `micros` long in the order `first`, `second`, starting 0.2 s after boot; what
// the trap says.
std::string Pass(int idle, char first, char second, double micros, int bounces = 0)
{
    Booted board(idle);
    board.sim.TakeOutput();
    const double start = 200'000;
    std::vector<Edge> edges;
    Cover(edges, first, start, 50'000, bounces);
    Cover(edges, second, start + micros, 50'000, bounces);
    Drive(board.sim, edges, idle, start + micros + 100'000);
    return board.sim.TakeOutput();
}

struct PassRow {
    const char* name;
    int idle;
    char first;
    char second;
    double micros;
    int bounces;
};

void Passes()
{
    const PassRow rows[] = {
        {"1.234567 s A>B, active low", 1, 'A', 'B', 1'234'567, 0},
        {"0.5 s B>A, active low", 1, 'B', 'A', 500'000, 0},
        {"2.5 s A>B, active high", 0, 'A', 'B', 2'500'000, 0},
        {"0.8 s B>A, reed switches bouncing", 1, 'B', 'A', 800'000, 4},
        {"3 ms A>B, the shortest a pass may be and more", 1, 'A', 'B', 3'000, 0},
    };
    for (const PassRow& row : rows) {
        const std::string said = Pass(row.idle, row.first, row.second, row.micros, row.bounces);
        std::string direction;
        long micros = 0;
        const bool read = ReadPass(said, direction, micros);
        Check(read && direction == std::string{row.first, '>', row.second} && std::abs(micros - row.micros) <= 10,
              row.name, "said \"" + Shown(said) + "\"");
    }
}

void NoPasses()
{
    // Two sensors set off 1 ms apart by one disturbance: no pass, and the next is timed.
    Booted board(1);
    board.sim.TakeOutput();
    std::vector<Edge> together;
    Cover(together, 'A', 200'000, 50'000);
    Cover(together, 'B', 201'000, 50'000);
    Drive(board.sim, together, 1, 900'000);
    Check(board.sim.TakeOutput().empty(), "1 ms between the sensors", "no pass");
    std::vector<Edge> next;
    Cover(next, 'A', 1'000'000, 50'000);
    Cover(next, 'B', 1'700'000, 50'000);
    Drive(board.sim, next, 1, 1'800'000);
    const std::string said = board.sim.TakeOutput();
    std::string direction;
    long micros = 0;
    Check(ReadPass(said, direction, micros) && direction == "A>B" && std::abs(micros - 700'000) <= 10,
          "the pass after it", "said \"" + Shown(said) + "\"");

    // Only one sensor: given up after 30 s, and nothing before.
    Booted lone(1);
    lone.sim.TakeOutput();
    std::vector<Edge> lonely;
    Cover(lonely, 'B', 200'000, 50'000);
    Drive(lone.sim, lonely, 1, 200'000 + 29'900'000);
    Check(lone.sim.TakeOutput().empty(), "one sensor, 29.9 s on", "nothing yet");
    lone.sim.RunUntil(200'000 + 30'100'000);
    Check(lone.sim.TakeOutput() == "TIMEOUT B\r\n", "one sensor, 30.1 s on", "TIMEOUT B");
}

std::string Ask(TrapSim& sim, const std::string& command)
{
    sim.TakeOutput();
    sim.Send(command);
    sim.RunUntil(sim.Micros() + 20'000 + 100.0 * static_cast<double>(command.size()));
    return sim.TakeOutput();
}

void Commands()
{
    TrapSim sim(hexFile, 1);
    sim.RunUntil(100'000);
    Check(sim.TakeOutput() == "TRACKPACE-TRAP 1 1.0.0\r\n", "power on", "the start line");
    struct Row {
        const char* command;
        const char* answer;
    };
    const Row rows[] = {
        {"SPACING?\r\n", "SPACING 0\r\n"},
        {"SPACING 600\r\n", "SPACING 600\r\n"},
        {"SPACING?\n", "SPACING 600\r\n"},
        {"SPACING 0\r\n", "ERROR the spacing is a whole number of millimetres from 1 to 65535\r\n"},
        {"SPACING 65536\r\n", "ERROR the spacing is a whole number of millimetres from 1 to 65535\r\n"},
        {"SPACING 60x\r\n", "ERROR the spacing is a whole number of millimetres from 1 to 65535\r\n"},
        {"SPEED?\r\n", "ERROR unknown command: SPEED?\r\n"},
        {"\r\n\r\n", ""},
        {"SPACING 00000000000000000000000000000000000600\r\n", "ERROR line too long\r\n"},
        {"SPACING 65535\r\n", "SPACING 65535\r\n"},
    };
    for (const Row& row : rows) {
        const std::string said = Ask(sim, row.command);
        Check(said == row.answer, "sent " + Shown(row.command), "said \"" + Shown(said) + "\"");
    }
    sim.Reset();
    sim.RunUntil(sim.Micros() + 100'000);
    Check(sim.TakeOutput() == "TRACKPACE-TRAP 1 1.0.0\r\n", "reset", "the start line again");
    Check(Ask(sim, "SPACING?\r\n") == "SPACING 65535\r\n", "reset", "the spacing kept");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s speedtrap.hex\n", argv[0]);
        return 2;
    }
    hexFile = argv[1];
    if (!TrapSim(hexFile, 1).Loaded()) {
        std::fprintf(stderr, "%s could not be read\n", hexFile);
        return 2;
    }
    Commands();
    Passes();
    NoPasses();
    std::printf("%d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
