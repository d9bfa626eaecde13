// A pseudo-terminal pair standing in for a device on a serial port.
#include "PseudoTerminal.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal()
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
        path_ = QString::fromLocal8Bit(ptsname(master_));
    }
}

PseudoTerminal::~PseudoTerminal()
{
    Pull();
}

void PseudoTerminal::Send(const QByteArray& bytes)
{
    qsizetype sent = 0;
    while (master_ >= 0 && sent < bytes.size()) {
        const ssize_t wrote = ::write(master_, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent));
        if (wrote > 0) {
            sent += wrote;
        } else {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);  // the program reads meanwhile
        }
    }
}

QByteArray PseudoTerminal::Received(const QByteArray& until, int milliseconds)
{
    QElapsedTimer waited;
    waited.start();
    while (!received_.contains(until) && waited.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        char buffer[256];
        const ssize_t got = master_ >= 0 ? ::read(master_, buffer, sizeof buffer) : -1;
        if (got > 0) {
            received_.append(buffer, got);
        } else {
            QThread::msleep(2);
        }
    }
    const QByteArray taken = received_;
    received_.clear();
    return taken;
}

void PseudoTerminal::Pull()
{
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}
