// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to);
Clock::time_point after(int ms);
void sleepMs(int ms);

// The driver's environment with some variables replaced (an empty value removes one).
std::vector<std::string> environment(const std::map<std::string, std::string> &changes);

// A program started straight with posix_spawn, so that the moment it is started is known to the
// microsecond and no toolkit of the driver's stands between. Its standard error goes to /dev/null
// unless BENCH_VERBOSE is set. Ended and reaped when the object goes.
class Child
{
public:
    Child(const std::vector<std::string> &argv, const std::vector<std::string> &env, bool pipeInput,
          bool pipeOutput);
    ~Child();
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    pid_t pid() const { return m_pid; }
    Clock::time_point started() const { return m_started; }

    // One line of its standard output, or false at the deadline or the end of the output.
    bool readLine(std::string &line, Clock::time_point deadline);
    void write(const std::string &text);
    void closeInput();
    // SIGTERM, then SIGKILL if it has not gone within the grace; returns when it is reaped.
    void stop(int graceMs = 2000);

private:
    pid_t m_pid = -1;
    int m_input = -1;
    int m_output = -1;
    std::string m_buffer;
    Clock::time_point m_started;
};

// A child's standard output read on a thread of the driver's, so that a chatty child never
// blocks on a full pipe while the driver is busy elsewhere. Lines are kept with their arrival.
class LineLog
{
public:
    explicit LineLog(Child &child);
    ~LineLog();
    LineLog(const LineLog &) = delete;
    LineLog &operator=(const LineLog &) = delete;

    struct Line
    {
        std::string text;
        Clock::time_point at;
    };

    size_t size() const;
    // The first line from index `from` on that contains `needle`, waiting for it until the
    // deadline.
    bool waitFor(const std::string &needle, size_t from, Clock::time_point deadline,
                 Line *found = nullptr) const;

private:
    Child &m_child;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<Line> m_lines;
    bool m_ended = false;
    std::thread m_reader;
};

// Every process below pid, children and their children.
std::vector<pid_t> descendants(pid_t pid);
// Proportional set size of the process and all of its descendants, from smaps_rollup, in KiB.
long treePssKiB(pid_t pid);
// CPU time of every thread of the process so far, from the scheduler's own accounting.
double cpuSeconds(pid_t pid);
double treeCpuSeconds(pid_t pid);

} // namespace bench
