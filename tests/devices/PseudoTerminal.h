// A pseudo-terminal pair standing in for a device on a serial port: the program opens its path, the test plays the device on the other side.
#pragma once

#include <QByteArray>
#include <QString>

class PseudoTerminal {
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The path the program opens ("/dev/pts/7").
    const QString& Path() const { return path_; }
    void Send(const QByteArray& bytes);
    // What the program wrote, waiting up to `milliseconds` for `until` to arrive.
    QByteArray Received(const QByteArray& until, int milliseconds = 2000);
    // The device pulled: the program's side reads the end.
    void Pull();

private:
    int master_ = -1;
    QString path_;
    QByteArray received_;
};
