// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

namespace testsupport {

// What /proc tells about a process and the processes it started (Linux only).

// One process as /proc/PID/stat shows it.
struct ProcessInfo
{
    qint64 pid;
    qint64 parent;
    char state; // 'Z' and 'X' are dead already
    QString command;
};

QByteArray readProc(qint64 pid, const char *entry); // the whole of /proc/PID/entry, or nothing
QList<ProcessInfo> allProcesses();                  // every process /proc lists, zombies too
QList<qint64> descendants(qint64 pid);
qint64 pssKiB(qint64 pid);     // 0 once the process is gone
qint64 treePssKiB(qint64 pid); // the process and all its descendants
// Run time of all the process's threads so far, from the scheduler's own accounting (schedstat).
double cpuSeconds(qint64 pid);
double treeCpuSeconds(qint64 pid); // the process and all its descendants
int openFileDescriptors(qint64 pid);
bool hasLoaded(qint64 pid, const QByteArray &library); // a library of that name is mapped

} // namespace testsupport
