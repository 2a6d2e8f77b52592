// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "bench/child.h"

#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

Child::Child(const QString &program, const QProcessEnvironment &env)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // Everything made before the clock starts.
    QByteArray path = program.toLocal8Bit();
    char *args[] = {path.data(), nullptr};
    QList<QByteArray> variables;
    for (const QString &variable : env.toStringList())
        variables.append(variable.toLocal8Bit());
    std::vector<char *> vars;
    for (QByteArray &variable : variables)
        vars.push_back(variable.data());
    vars.push_back(nullptr);

    m_started = Clock::now();
    const int error = posix_spawn(&m_pid, args[0], &actions, nullptr, args, vars.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error(path.toStdString() + ": " + std::strerror(error));
}

void Child::stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    int status;
    for (const Clock::time_point deadline = after(2000); waitpid(m_pid, &status, WNOHANG) == 0;
         sleepMs(5)) {
        if (Clock::now() > deadline) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            break;
        }
    }
    m_pid = -1;
}

void start(QProcess &process, const QProcessEnvironment &env, const QString &program,
           const QStringList &args)
{
    process.setProcessEnvironment(env);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, args);
    if (!process.waitForStarted())
        throw std::runtime_error(program.toStdString() + " did not start");
}

void finish(QProcess &process)
{
    process.closeWriteChannel();
    process.terminate();
    if (!process.waitForFinished(2000))
        process.kill();
    process.waitForFinished();
}

QStringList output(const QProcessEnvironment &env, const QString &program, const QStringList &args,
                   int count, int timeoutMs)
{
    QProcess process;
    start(process, env, program, args);
    process.waitForFinished(timeoutMs);
    const QStringList lines = QString::fromUtf8(process.readAll()).split(u'\n', Qt::SkipEmptyParts);
    finish(process);
    if (lines.size() < count)
        throw std::runtime_error(program.toStdString() + " gave " + std::to_string(lines.size()) +
                                 " of " + std::to_string(count) + " results");
    return lines;
}

void wakeCpus()
{
    std::vector<std::thread> spinners;
    for (long i = 0; i < sysconf(_SC_NPROCESSORS_ONLN); ++i) {
        spinners.emplace_back([] {
            for (const Clock::time_point end = after(100); Clock::now() < end;) {
            }
        });
    }
    for (std::thread &spinner : spinners)
        spinner.join();
}

} // namespace bench
