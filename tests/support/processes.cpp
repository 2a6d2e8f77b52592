#include "processes.h"

#include <QDir>
#include <QFile>
#include <QHash>

namespace testsupport {
namespace {

qint64 parentOf(const QString &pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The command name in parentheses may hold blanks; the fields after it do not.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.value(1).toLongLong();
}

} // namespace

QList<qint64> descendants(qint64 pid)
{
    QHash<qint64, QList<qint64>> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool isPid = false;
        const qint64 child = entry.toLongLong(&isPid);
        if (isPid)
            children[parentOf(entry)].append(child);
    }
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
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return 0;
    // Files under /proc report no size, so read them whole rather than up to atEnd().
    const QList<QByteArray> lines = rollup.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("Pss:"))
            return line.simplified().split(' ').value(1).toLongLong();
    }
    return 0;
}

qint64 treePssKiB(qint64 pid)
{
    qint64 total = pssKiB(pid);
    for (qint64 child : descendants(pid))
        total += pssKiB(child);
    return total;
}

int openFileDescriptors(qint64 pid)
{
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

bool hasLoaded(qint64 pid, const QByteArray &library)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

} // namespace testsupport
