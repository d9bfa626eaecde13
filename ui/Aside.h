// Work that may take long (a print system that does not answer), run on a thread of its own.
#pragma once

#include <QMetaObject>
#include <QObject>

#include <functional>
#include <thread>

// Runs `work` on a thread of its own and hands its result to `done` on this (the
// user-interface) thread, so the window goes on answering meanwhile. `work` must
// touch nothing but what it captured; `done` runs even when the window that asked
// has gone since, so it must check for that itself. Nothing waits for the thread:
// a program that ends meanwhile simply ends.
template <typename Result>
void RunAside(std::function<Result()> work, std::function<void(Result)> done)
{
    // Receives the result on this thread; it lives until then.
    auto* relay = new QObject;
    std::thread([relay, work = std::move(work), done = std::move(done)]() mutable {
        Result result = work();
        QMetaObject::invokeMethod(
            relay,
            [relay, done = std::move(done), result = std::move(result)]() mutable {
                relay->deleteLater();
                done(std::move(result));
            },
            Qt::QueuedConnection);
    }).detach();
}
