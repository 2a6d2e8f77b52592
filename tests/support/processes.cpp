// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "tests/support/processes.h"

#include <QDir>
#include <QFile>
#include <QHash>

namespace testsupport {

QByteArray readProc(qint64 pid, const char *entry)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QString::fromLatin1(entry)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QList<ProcessInfo> allProcesses()
{
    QList<ProcessInfo> found;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 pid = entry.toLongLong(&isPid);
        if (!isPid)
            continue;
        // pid (command) state ppid ...: the command may hold blanks and brackets of its own.
        const QByteArray stat = readProc(pid, "stat");
        const qsizetype open = stat.indexOf('(');
        const qsizetype close = stat.lastIndexOf(')');
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (open < 0 || close < open || fields.size() < 2)
            continue; // gone meanwhile
        found.append({pid, fields.at(1).toLongLong(), fields.at(0).at(0),
                      QString::fromUtf8(stat.mid(open + 1, close - open - 1))});
    }
    return found;
}

QList<qint64> descendants(qint64 pid)
{
    QHash<qint64, QList<qint64>> children;
    for (const ProcessInfo &process : allProcesses())
        children[process.parent].append(process.pid);
    QList<qint64> found;
    QList<qint64> pending{pid};
    while (!pending.isEmpty()) {
        for (qint64 child : children.value(pending.takeFirst())) {
            found.append(child);
            pending.append(child);
        }
    }
    return found;
}

qint64 pssKiB(qint64 pid)
{
    // Files under /proc report no size, so they are read whole rather than up to atEnd().
    const QList<QByteArray> lines = readProc(pid, "smaps_rollup").split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Pss:"))
            return line.simplified().split(' ').value(1).toLongLong();
    }
    return 0;
}

// A figure of the process and of every process below it, added up.
template <typename Figure> Figure overTree(qint64 pid, Figure (*figureOf)(qint64))
{
    Figure total = figureOf(pid);
    for (qint64 child : descendants(pid))
        total += figureOf(child);
    return total;
}

qint64 treePssKiB(qint64 pid)
{
    return overTree(pid, &pssKiB);
}

double cpuSeconds(qint64 pid)
{
    double ns = 0;
    const QStringList threads =
        QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &thread : threads)
        ns += readProc(pid, qPrintable(QStringLiteral("task/%1/schedstat").arg(thread)))
                  .split(' ')
                  .value(0)
                  .toDouble();
    return ns / 1e9;
}

double treeCpuSeconds(qint64 pid)
{
    return overTree(pid, &cpuSeconds);
}

int openFileDescriptors(qint64 pid)
{
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

bool hasLoaded(qint64 pid, const QByteArray &library)
{
    return readProc(pid, "maps").contains(library);
}

} // namespace testsupport
