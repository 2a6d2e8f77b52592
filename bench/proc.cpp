// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "proc.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace bench {
namespace {

std::vector<pid_t> allProcesses()
{
    std::vector<pid_t> pids;
    DIR *proc = opendir("/proc");
    if (!proc)
        return pids;
    while (const dirent *entry = readdir(proc)) {
        char *end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (end != entry->d_name && *end == '\0')
            pids.push_back(pid_t(pid));
    }
    closedir(proc);
    return pids;
}

pid_t parentOf(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    // The command name in parentheses may hold blanks; the fields after it do not.
    const size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(text.substr(close + 2));
    char state;
    pid_t parent = -1;
    fields >> state >> parent;
    return parent;
}

long pssKiB(pid_t pid)
{
    std::ifstream rollup("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string key;
    long value;
    while (rollup >> key) {
        if (key == "Pss:" && rollup >> value)
            return value;
        rollup.ignore(1 << 20, '\n');
    }
    return 0;
}

} // namespace

double msBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

Clock::time_point after(int ms)
{
    return Clock::now() + std::chrono::milliseconds(ms);
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<std::string> environment(const std::map<std::string, std::string> &changes)
{
    std::vector<std::string> env;
    for (char **variable = environ; *variable; ++variable) {
        const std::string entry = *variable;
        if (changes.count(entry.substr(0, entry.find('='))) == 0)
            env.push_back(entry);
    }
    for (const auto &[name, value] : changes) {
        if (!value.empty())
            env.push_back(name + '=' + value);
    }
    return env;
}

Child::Child(const std::vector<std::string> &argv, const std::vector<std::string> &env,
             bool pipeInput, bool pipeOutput)
{
    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    if ((pipeInput && pipe2(input, O_CLOEXEC) != 0) ||
        (pipeOutput && pipe2(output, O_CLOEXEC) != 0))
        throw std::runtime_error("pipe: " + std::string(std::strerror(errno)));

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipeInput)
        posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (pipeOutput)
        posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (!std::getenv("BENCH_VERBOSE"))
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    std::vector<char *> vars;
    for (const std::string &var : env)
        vars.push_back(const_cast<char *>(var.c_str()));
    vars.push_back(nullptr);

    m_started = Clock::now();
    const int error = posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), vars.data());
    posix_spawn_file_actions_destroy(&actions);
    if (pipeInput) {
        close(input[0]);
        m_input = input[1];
    }
    if (pipeOutput) {
        close(output[1]);
        m_output = output[0];
    }
    if (error != 0)
        throw std::runtime_error(argv[0] + ": " + std::strerror(error));
}

Child::~Child()
{
    stop();
    if (m_output >= 0)
        close(m_output);
}

bool Child::readLine(std::string &line, Clock::time_point deadline)
{
    for (;;) {
        const size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd ready{m_output, POLLIN, 0};
        const int timeout = int(std::min<long long>(left.count(), 60'000));
        if (timeout <= 0 || poll(&ready, 1, timeout) < 0)
            return false;
        if (!(ready.revents & (POLLIN | POLLHUP)))
            continue;
        char chunk[4096];
        const ssize_t got = read(m_output, chunk, sizeof chunk);
        if (got <= 0)
            return false;
        m_buffer.append(chunk, size_t(got));
    }
}

void Child::write(const std::string &text)
{
    if (m_input < 0 || ::write(m_input, text.data(), text.size()) != ssize_t(text.size()))
        throw std::runtime_error("cannot write to a child's input");
}

void Child::closeInput()
{
    if (m_input >= 0)
        close(m_input);
    m_input = -1;
}

void Child::stop(int graceMs)
{
    closeInput();
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    const Clock::time_point deadline = after(graceMs);
    int status;
    while (waitpid(m_pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
        sleepMs(5);
    }
    m_pid = -1;
}

LineLog::LineLog(Child &child) : m_child(child)
{
    m_reader = std::thread([this] {
        std::string text;
        while (m_child.readLine(text, Clock::time_point::max())) {
            const std::lock_guard lock(m_mutex);
            m_lines.push_back({text, Clock::now()});
            m_arrived.notify_all();
        }
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        m_arrived.notify_all();
    });
}

LineLog::~LineLog()
{
    m_child.stop();
    m_reader.join();
}

size_t LineLog::size() const
{
    const std::lock_guard lock(m_mutex);
    return m_lines.size();
}

bool LineLog::waitFor(const std::string &needle, size_t from, Clock::time_point deadline,
                      Line *found) const
{
    std::unique_lock lock(m_mutex);
    for (size_t next = from;;) {
        for (; next < m_lines.size(); ++next) {
            if (m_lines[next].text.find(needle) != std::string::npos) {
                if (found)
                    *found = m_lines[next];
                return true;
            }
        }
        if (m_ended || m_arrived.wait_until(lock, deadline) == std::cv_status::timeout)
            return false;
    }
}

std::vector<pid_t> descendants(pid_t pid)
{
    std::multimap<pid_t, pid_t> children;
    for (pid_t process : allProcesses())
        children.emplace(parentOf(process), process);
    std::vector<pid_t> found;
    std::vector<pid_t> todo{pid};
    while (!todo.empty()) {
        const pid_t parent = todo.back();
        todo.pop_back();
        const auto [begin, end] = children.equal_range(parent);
        for (auto it = begin; it != end; ++it) {
            found.push_back(it->second);
            todo.push_back(it->second);
        }
    }
    return found;
}

long treePssKiB(pid_t pid)
{
    long total = pssKiB(pid);
    for (pid_t child : descendants(pid))
        total += pssKiB(child);
    return total;
}

double cpuSeconds(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR *dir = opendir(tasks.c_str());
    if (!dir)
        return 0;
    double seconds = 0;
    while (const dirent *entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream schedstat(tasks + '/' + entry->d_name + "/schedstat");
        double ns = 0;
        if (schedstat >> ns)
            seconds += ns / 1e9;
    }
    closedir(dir);
    return seconds;
}

double treeCpuSeconds(pid_t pid)
{
    double total = cpuSeconds(pid);
    for (pid_t child : descendants(pid))
        total += cpuSeconds(child);
    return total;
}

} // namespace bench
