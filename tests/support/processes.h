#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace testsupport {

// What /proc tells about a process and the processes it started (Linux only).
QList<qint64> descendants(qint64 pid);
qint64 pssKiB(qint64 pid);     // 0 once the process is gone
qint64 treePssKiB(qint64 pid); // the process and all its descendants
int openFileDescriptors(qint64 pid);
bool hasLoaded(qint64 pid, const QByteArray &library); // a library of that name is mapped

} // namespace testsupport
