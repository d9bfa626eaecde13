// A layout in a box: command stations (WiThrottle and DCC-EX) on loopback and a pseudo-terminal, simulated locomotives on a loop, and the Trackpace trap they pass, on a clock that may run fast.
#include "LayoutModel.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <memory>

namespace {

constexpr int TickMs = 5;

QElapsedTimer Clock;

// One event, as the tests read it: real milliseconds since the start, then what.
void Tell(const QString& what)
{
    std::printf("%lld %s\n", static_cast<long long>(Clock.elapsed()), qPrintable(what));
    std::fflush(stdout);
}

// A pseudo-terminal whose far side is linked at `link`; its near side, raw.
class Terminal : public QObject {
public:
    Terminal(const QString& link, QObject* parent) : QObject(parent)
    {
        int far = -1;
        char name[256] = {};
        if (openpty(&near_, &far, name, nullptr, nullptr) != 0) {
            qFatal("no pseudo-terminal");
        }
        termios raw{};
        tcgetattr(far, &raw);
        cfmakeraw(&raw);
        tcsetattr(far, TCSANOW, &raw);
        tcsetattr(near_, TCSANOW, &raw);
        fcntl(near_, F_SETFL, fcntl(near_, F_GETFL) | O_NONBLOCK);
        // The far side stays open here too, so that the port's user may come and go.
        far_ = far;
        QFile::remove(link);
        QFile::link(QString::fromLocal8Bit(name), link);
        path = QString::fromLocal8Bit(name);
        notifier_ = new QSocketNotifier(near_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            char bytes[512];
            const ssize_t got = ::read(near_, bytes, sizeof bytes);
            if (got > 0 && received) {
                received(QByteArray(bytes, static_cast<int>(got)));
            }
        });
    }
    ~Terminal() override
    {
        ::close(near_);
        ::close(far_);
    }
    void Write(const QByteArray& bytes) const
    {
        if (::write(near_, bytes.constData(), static_cast<size_t>(bytes.size())) < 0) {
            Tell(QStringLiteral("pty write failed"));
        }
    }
    QString path;
    std::function<void(const QByteArray&)> received;

private:
    int near_ = -1;
    int far_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

// Splits bytes into lines (WiThrottle) or <...> commands (DCC-EX).
struct Splitter {
    bool framed = false;
    QByteArray held;
    std::vector<QString> Feed(const QByteArray& bytes)
    {
        std::vector<QString> out;
        for (const char c : bytes) {
            if (framed ? c == '>' : (c == '\n' || c == '\r')) {
                if (framed) {
                    held.append(c);
                    const qsizetype open = held.lastIndexOf('<');
                    if (open >= 0) {
                        out.push_back(QString::fromUtf8(held.mid(open)));
                    }
                } else if (!held.trimmed().isEmpty()) {
                    out.push_back(QString::fromUtf8(held.trimmed()));
                }
                held.clear();
            } else if (held.size() < 4096) {
                held.append(c);
            }
        }
        return out;
    }
};

class Sim : public QObject {
public:
    Sim(Layout& layout, double speedup, int heartbeat) : layout_(layout), speedup_(speedup), heartbeat_(heartbeat)
    {
        connect(&tick_, &QTimer::timeout, this, &Sim::Tick);
        tick_.start(TickMs);
        since_.start();
    }

    void ServeWiThrottle(QTcpServer& server)
    {
        connect(&server, &QTcpServer::newConnection, this, [this, &server] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                Client& client = clients_[socket];
                client.heard.start();
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { HeardWi(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] { Gone(socket, "client gone"); });
                socket->write(QStringLiteral("VN2.0\nRL0\nPPA%1\n*%2\n").arg(layout_.power ? 1 : 0).arg(heartbeat_).toUtf8());
                Tell(QStringLiteral("withrottle client"));
            }
        });
    }

    void ServeDccEx(QTcpServer& server)
    {
        connect(&server, &QTcpServer::newConnection, this, [this, &server] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                auto splitter = std::make_shared<Splitter>(Splitter{true, {}});
                connect(socket, &QTcpSocket::readyRead, this, [this, socket, splitter] {
                    for (const QString& command : splitter->Feed(socket->readAll())) {
                        if (!dropped_) {
                            socket->write(DccEx(command));
                        }
                    }
                });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                Tell(QStringLiteral("dcc-ex client"));
            }
        });
    }

    void ServeDccEx(Terminal& terminal)
    {
        auto splitter = std::make_shared<Splitter>(Splitter{true, {}});
        terminal.received = [this, &terminal, splitter](const QByteArray& bytes) {
            for (const QString& command : splitter->Feed(bytes)) {
                terminal.Write(DccEx(command));
            }
        };
    }

    void ServeTrap(Terminal& terminal)
    {
        trap_ = &terminal;
        auto splitter = std::make_shared<Splitter>();
        terminal.received = [this, splitter](const QByteArray& bytes) {
            for (const QString& line : splitter->Feed(bytes)) {
                Trap(line);
            }
        };
    }

    // A line typed on standard input.
    void Command(const QString& line)
    {
        const QStringList words = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty()) {
            return;
        }
        if (words[0] == QLatin1String("drop")) {
            // The network goes silent: nothing heard, nothing said, until the heartbeat runs out.
            dropped_ = true;
            Tell(QStringLiteral("dropped"));
        } else if (words[0] == QLatin1String("stall") && words.size() == 2) {
            layout_.Locomotive(words[1].toInt()).stalled = true;
            Tell(QStringLiteral("loco %1 stalled").arg(words[1]));
        } else if (words[0] == QLatin1String("speeds") && words.size() == 3) {
            SimLocomotive& loco = layout_.Locomotive(words[1].toInt());
            const int mode = words[2].toInt();
            for (int step = 1; step <= (mode == 28 ? 28 : 126); ++step) {
                std::printf("true %d %d %.6f %.6f\n", loco.address, step, loco.TrueSpeed(step, false), loco.TrueSpeed(step, true));
            }
            std::printf("end\n");
            std::fflush(stdout);
        } else if (words[0] == QLatin1String("quit")) {
            QCoreApplication::quit();
        }
    }

private:
    struct Client {
        QElapsedTimer heard;
        bool monitored = false;
        std::vector<int> held;  // addresses on its throttle
        Splitter splitter;
    };

    void Tick()
    {
        const double seconds = since_.restart() / 1000.0 * speedup_;
        layout_.Advance(seconds, [this](const std::string& line) {
            const QString said = QString::fromStdString(line);
            if (trap_ != nullptr) {
                trap_->Write((said + QStringLiteral("\r\n")).toLatin1());
            }
            const qsizetype word = said.indexOf(QLatin1Char(' '));
            Tell(said.left(word).toLower() + said.mid(word));  // "pass A>B 123456", "timeout B"
        });
        for (auto& [socket, client] : clients_) {
            if (client.monitored && client.heard.elapsed() > heartbeat_ * 1000) {
                QTcpSocket* gone = socket;
                QTimer::singleShot(0, this, [this, gone] {
                    Gone(gone, "heartbeat lost");
                    gone->abort();
                });
                client.monitored = false;
            }
        }
    }

    void Set(SimLocomotive& loco, int value)
    {
        loco.value = value;
        Tell(value < 0 ? QStringLiteral("loco %1 estop").arg(loco.address)
                       : QStringLiteral("loco %1 throttle %2 %3").arg(loco.address).arg(value).arg(loco.forward ? "forward" : "reverse"));
    }

    void Gone(QTcpSocket* socket, const char* why)
    {
        const auto found = clients_.find(socket);
        if (found == clients_.end()) {
            return;
        }
        for (const int address : found->second.held) {
            Set(layout_.Locomotive(address), -1);
        }
        Tell(QStringLiteral("%1: its locomotives stopped").arg(QString::fromLatin1(why)));
        clients_.erase(found);
        socket->deleteLater();
    }

    void HeardWi(QTcpSocket* socket)
    {
        const QByteArray bytes = socket->readAll();
        const auto found = clients_.find(socket);
        if (dropped_ || found == clients_.end()) {
            return;
        }
        Client& client = found->second;
        for (const QString& line : client.splitter.Feed(bytes)) {
            client.heard.restart();
            socket->write(WiThrottle(client, line));
        }
    }

    QByteArray WiThrottle(Client& client, const QString& line)
    {
        if (line == QLatin1String("*+")) {
            client.monitored = true;
            return {};
        }
        if (line == QLatin1String("*-")) {
            client.monitored = false;
            return {};
        }
        if (line == QLatin1String("Q")) {
            for (const int address : client.held) {
                Set(layout_.Locomotive(address), 0);
            }
            client.held.clear();
            client.monitored = false;
            return {};
        }
        if (line.startsWith(QLatin1String("PPA"))) {
            layout_.power = line.endsWith(QLatin1Char('1'));
            Tell(QStringLiteral("power %1").arg(layout_.power ? "on" : "off"));
            return line.toUtf8() + '\n';
        }
        if (line.startsWith(QLatin1String("MT+"))) {
            const QString key = line.mid(3).section(QStringLiteral("<;>"), 0, 0);
            const int address = key.mid(1).toInt();
            for (const auto& [other, theirs] : clients_) {
                if (&theirs != &client && std::find(theirs.held.begin(), theirs.held.end(), address) != theirs.held.end()) {
                    return QStringLiteral("MTS%1<;>%1\n").arg(key).toUtf8();
                }
            }
            SimLocomotive& loco = layout_.Locomotive(address);
            client.held.push_back(address);
            Tell(QStringLiteral("loco %1 acquired").arg(address));
            return QStringLiteral("MT+%1<;>\nMTA%1<;>V%2\nMTA%1<;>R%3\n").arg(key).arg(std::max(0, loco.value)).arg(loco.forward ? 1 : 0).toUtf8();
        }
        if (line.startsWith(QLatin1String("MT-"))) {
            QByteArray said;
            for (const int address : client.held) {
                said += QStringLiteral("MT-L%1<;>\n").arg(address).toUtf8();
                Tell(QStringLiteral("loco %1 released").arg(address));
            }
            client.held.clear();
            return said;
        }
        if (line.startsWith(QLatin1String("MTA*<;>"))) {
            const QString action = line.mid(7);
            QByteArray said;
            for (const int address : client.held) {
                SimLocomotive& loco = layout_.Locomotive(address);
                const QString key = QStringLiteral("%1%2").arg(loco.longAddress ? 'L' : 'S').arg(address);
                if (action.startsWith(QLatin1Char('V'))) {
                    Set(loco, std::clamp(action.mid(1).toInt(), 0, 126));
                    said += QStringLiteral("MTA%1<;>V%2\n").arg(key).arg(loco.value).toUtf8();
                } else if (action.startsWith(QLatin1Char('R'))) {
                    loco.forward = action.mid(1) == QLatin1String("1");
                    Tell(QStringLiteral("loco %1 %2").arg(address).arg(loco.forward ? "forward" : "reverse"));
                } else if (action == QLatin1String("X")) {
                    Set(loco, -1);
                    said += QStringLiteral("MTA%1<;>V-1\n").arg(key).toUtf8();
                }
            }
            return said;
        }
        return {};
    }

    QByteArray DccEx(const QString& command)
    {
        const QStringList words = command.mid(1, command.size() - 2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty()) {
            return "<X>";
        }
        if (words[0] == QLatin1String("s")) {
            return QStringLiteral("<iDCC-EX V-5.0.0 / LAYOUT-SIM>\n<p%1>\n").arg(layout_.power ? 1 : 0).toUtf8();
        }
        if (words[0] == QLatin1String("!")) {
            for (auto& [address, loco] : layout_.Locomotives()) {
                Set(loco, -1);
            }
            return {};
        }
        if (words[0] == QLatin1String("1") || words[0] == QLatin1String("0")) {
            layout_.power = words[0] == QLatin1String("1");
            Tell(QStringLiteral("power %1").arg(layout_.power ? "on" : "off"));
            return QStringLiteral("<p%1>\n").arg(words[0]).toUtf8();
        }
        if (words[0] == QLatin1String("t") && words.size() == 4) {
            SimLocomotive& loco = layout_.Locomotive(words[1].toInt());
            loco.forward = words[3] == QLatin1String("1");
            Set(loco, std::clamp(words[2].toInt(), -1, 126));
            const int byte = (loco.forward ? 0x80 : 0) + (loco.value < 0 ? 1 : loco.value == 0 ? 0 : loco.value + 1);
            return QStringLiteral("<l %1 0 %2 0>\n").arg(loco.address).arg(byte).toUtf8();
        }
        if (words[0] == QLatin1String("w") && words.size() == 4) {
            // A CV written on the main track: no answer, as DCC-EX gives none.
            SimLocomotive& loco = layout_.Locomotive(words[1].toInt());
            const int cv = words[2].toInt();
            if (cv > 0 && cv < 256) {
                loco.decoder.cv[static_cast<size_t>(cv)] = std::clamp(words[3].toInt(), 0, 255);
                Tell(QStringLiteral("cv %1 %2=%3").arg(loco.address).arg(cv).arg(loco.decoder.cv[static_cast<size_t>(cv)]));
            }
            return {};
        }
        return "<X>";
    }

    void Trap(const QString& line)
    {
        if (line == QLatin1String("SPACING?")) {
            if (!trapSaid_) {
                trapSaid_ = true;
                trap_->Write("TRACKPACE-TRAP 1 1.0.0\r\n");
            }
            trap_->Write(QStringLiteral("SPACING %1\r\n").arg(layout_.Spacing()).toLatin1());
        } else if (line.startsWith(QLatin1String("SPACING "))) {
            layout_.SetSpacing(line.mid(8).toDouble());
            trap_->Write(QStringLiteral("SPACING %1\r\n").arg(layout_.Spacing()).toLatin1());
        } else {
            trap_->Write("ERROR unknown command: " + line.toLatin1() + "\r\n");
        }
    }

    Layout& layout_;
    double speedup_;
    int heartbeat_;
    QTimer tick_;
    QElapsedTimer since_;
    std::map<QTcpSocket*, Client> clients_;
    Terminal* trap_ = nullptr;
    bool trapSaid_ = false;
    bool dropped_ = false;
};

// "341:top=600,cv2=10,rev=0.93": a locomotive's address and what differs from the defaults.
bool AddLocomotive(Layout& layout, const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool ok = false;
    const int address = parts[0].toInt(&ok);
    if (!ok || address < 1) {
        return false;
    }
    SimLocomotive& loco = layout.Locomotive(address);
    for (const QString& item : parts.value(1).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString key = item.section(QLatin1Char('='), 0, 0);
        const double value = item.section(QLatin1Char('='), 1).toDouble(&ok);
        if (!ok) {
            return false;
        }
        if (key == QLatin1String("top")) {
            loco.topMmPerSecond = value;
        } else if (key == QLatin1String("rev")) {
            loco.reverseFactor = value;
        } else if (key == QLatin1String("noise")) {
            loco.noise = value;
        } else if (key == QLatin1String("mode")) {
            loco.decoder.stepMode = static_cast<int>(value);
        } else if (key.startsWith(QLatin1String("cv")) && key.mid(2).toInt() > 0 && key.mid(2).toInt() < 256) {
            loco.decoder.cv[static_cast<size_t>(key.mid(2).toInt())] = static_cast<int>(value);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    Clock.start();
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A layout in a box for Trackpace: command stations, locomotives on a loop, a speed trap."));
    parser.addHelpOption();
    const QCommandLineOption withrottle(QStringLiteral("withrottle"), QStringLiteral("Serve WiThrottle on 127.0.0.1:<port> (0: any free port)."), QStringLiteral("port"));
    const QCommandLineOption dccex(QStringLiteral("dccex"), QStringLiteral("Serve DCC-EX on 127.0.0.1:<port>."), QStringLiteral("port"));
    const QCommandLineOption dccexPty(QStringLiteral("dccex-pty"), QStringLiteral("Serve DCC-EX on a pseudo-terminal linked at <path>."), QStringLiteral("path"));
    const QCommandLineOption trapPty(QStringLiteral("trap-pty"), QStringLiteral("The Trackpace trap on a pseudo-terminal linked at <path>."), QStringLiteral("path"));
    const QCommandLineOption loop(QStringLiteral("loop"), QStringLiteral("The loop's length in mm (4000)."), QStringLiteral("mm"), QStringLiteral("4000"));
    const QCommandLineOption spacing(QStringLiteral("spacing"), QStringLiteral("The trap's sensor spacing in mm (100)."), QStringLiteral("mm"), QStringLiteral("100"));
    const QCommandLineOption speedup(QStringLiteral("speedup"), QStringLiteral("How many times faster than real time the layout runs (1)."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption heartbeat(QStringLiteral("heartbeat"), QStringLiteral("WiThrottle's heartbeat period in seconds (10)."), QStringLiteral("s"), QStringLiteral("10"));
    const QCommandLineOption loco(QStringLiteral("loco"), QStringLiteral("A locomotive: <address>[:top=500,rev=0.95,noise=0.001,mode=128,cv2=8,...]."), QStringLiteral("description"));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("The noise's seed (1)."), QStringLiteral("n"), QStringLiteral("1"));
    parser.addOptions({withrottle, dccex, dccexPty, trapPty, loop, spacing, speedup, heartbeat, loco, seed});
    parser.process(app);

    Layout layout(parser.value(loop).toDouble(), parser.value(spacing).toDouble(), parser.value(seed).toUInt());
    for (const QString& described : parser.values(loco)) {
        if (!AddLocomotive(layout, described)) {
            std::fprintf(stderr, "layout-sim: cannot read the locomotive \"%s\"\n", qPrintable(described));
            return 2;
        }
    }
    Sim sim(layout, std::max(0.01, parser.value(speedup).toDouble()), std::max(1, parser.value(heartbeat).toInt()));
    QTcpServer wiServer;
    QTcpServer exServer;
    std::unique_ptr<Terminal> exTerminal;
    std::unique_ptr<Terminal> trapTerminal;
    if (parser.isSet(withrottle)) {
        if (!wiServer.listen(QHostAddress::LocalHost, static_cast<quint16>(parser.value(withrottle).toUInt()))) {
            std::fprintf(stderr, "layout-sim: %s\n", qPrintable(wiServer.errorString()));
            return 1;
        }
        sim.ServeWiThrottle(wiServer);
        Tell(QStringLiteral("withrottle 127.0.0.1 %1").arg(wiServer.serverPort()));
    }
    if (parser.isSet(dccex)) {
        if (!exServer.listen(QHostAddress::LocalHost, static_cast<quint16>(parser.value(dccex).toUInt()))) {
            std::fprintf(stderr, "layout-sim: %s\n", qPrintable(exServer.errorString()));
            return 1;
        }
        sim.ServeDccEx(exServer);
        Tell(QStringLiteral("dccex 127.0.0.1 %1").arg(exServer.serverPort()));
    }
    if (parser.isSet(dccexPty)) {
        exTerminal = std::make_unique<Terminal>(parser.value(dccexPty), nullptr);
        sim.ServeDccEx(*exTerminal);
        Tell(QStringLiteral("dccex-pty %1").arg(exTerminal->path));
    }
    if (parser.isSet(trapPty)) {
        trapTerminal = std::make_unique<Terminal>(parser.value(trapPty), nullptr);
        sim.ServeTrap(*trapTerminal);
        Tell(QStringLiteral("trap-pty %1").arg(trapTerminal->path));
    }
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray typed;
    QObject::connect(&input, &QSocketNotifier::activated, &sim, [&] {
        char bytes[256];
        const ssize_t got = ::read(STDIN_FILENO, bytes, sizeof bytes);
        if (got <= 0) {
            input.setEnabled(false);
            return;
        }
        typed.append(bytes, static_cast<int>(got));
        while (typed.contains('\n')) {
            const qsizetype end = typed.indexOf('\n');
            sim.Command(QString::fromUtf8(typed.left(end)).trimmed());
            typed.remove(0, end + 1);
        }
    });
    Tell(QStringLiteral("ready"));
    return QCoreApplication::exec();
}
