// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QProcess>

#include <chrono>
#include <sys/types.h>
#include <thread>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}
inline Clock::time_point after(int ms)
{
    return Clock::now() + std::chrono::milliseconds(ms);
}
inline void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A program with windows, started straight with posix_spawn, so that the moment it is started is
// known to the microsecond and no toolkit of the driver's stands between. Its output and errors go
// to /dev/null. Ended and reaped when the object goes.
class Child
{
public:
    Child(const QString &program, const QProcessEnvironment &env);
    ~Child() { stop(); }
    Q_DISABLE_COPY_MOVE(Child)

    pid_t pid() const { return m_pid; }
    Clock::time_point started() const { return m_started; }
    void stop(); // SIGTERM, then SIGKILL if it has not gone within 2 s; returns once it is reaped

private:
    pid_t m_pid = -1;
    Clock::time_point m_started;
};

// A program whose output the driver reads, started with QProcess; its errors go to /dev/null.
void start(QProcess &process, const QProcessEnvironment &env, const QString &program,
           const QStringList &args);
void finish(QProcess &process); // SIGTERM, then SIGKILL if it has not gone within 2 s
// Runs a program to its end and returns its lines; throws if it printed fewer than `count`.
QStringList output(const QProcessEnvironment &env, const QString &program, const QStringList &args,
                   int count, int timeoutMs);

// Every core busy for a moment: an idle core here takes tens of milliseconds to come up to full
// speed, which would otherwise land on whichever program starts first.
void wakeCpus();

} // namespace bench
