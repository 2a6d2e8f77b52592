// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "tests/support/privatenetwork.h"

#ifdef Q_OS_LINUX
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace testsupport {

#ifdef Q_OS_LINUX
namespace {

QString failed(const char *what)
{
    return QStringLiteral("%1 failed: %2")
        .arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

// Loopback up, which brings 127.0.0.1 with it, and privateAddress on it as its alias lo:1.
QString raiseLoopback()
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0)
        return failed("socket");
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    QString error;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) < 0) {
        error = failed("reading loopback's flags");
    } else {
        request.ifr_flags |= IFF_UP | IFF_RUNNING;
        if (::ioctl(fd, SIOCSIFFLAGS, &request) < 0)
            error = failed("raising loopback");
    }
    if (error.isEmpty()) {
        std::strncpy(request.ifr_name, "lo:1", IFNAMSIZ - 1);
        auto *address = reinterpret_cast<sockaddr_in *>(&request.ifr_addr);
        address->sin_family = AF_INET;
        ::inet_pton(AF_INET, privateAddress, &address->sin_addr);
        if (::ioctl(fd, SIOCSIFADDR, &request) < 0)
            error = failed("adding the private address");
    }
    ::close(fd);
    return error;
}

// A hosts file of the test's own over /etc/hosts, in this mount namespace only: its mounts are
// made private first, so that nothing mounted here reaches the system's.
QString nameThePrivateAddress()
{
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) < 0)
        return failed("making the mounts private");
    const QString path = QDir::temp().filePath(
        QStringLiteral("tolvane-hosts-%1").arg(QCoreApplication::applicationPid()));
    QFile hosts(path);
    if (!hosts.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1").arg(path);
    hosts.write(QByteArray("127.0.0.1 localhost\n") + privateAddress + ' ' + privateHostName +
                '\n');
    hosts.close();
    const int mounted =
        ::mount(QFile::encodeName(path).constData(), "/etc/hosts", nullptr, MS_BIND, nullptr);
    const QString error = mounted < 0 ? failed("mounting a hosts file") : QString();
    // The mount holds on to the file; no name of it needs to stay behind.
    QFile::remove(path);
    return error;
}

} // namespace

QString enterPrivateNetwork()
{
    // Where anything goes wrong half-way, the process goes back to the system's network, so that
    // the tests on loopback still run.
    const int systemNetwork = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    if (systemNetwork < 0)
        return failed("opening this process's network namespace");
    QString error;
    if (::unshare(CLONE_NEWNET | CLONE_NEWNS) < 0)
        error = failed("unshare");
    else if (error = raiseLoopback(); error.isEmpty())
        error = nameThePrivateAddress();
    if (!error.isEmpty())
        ::setns(systemNetwork, CLONE_NEWNET);
    ::close(systemNetwork);
    return error;
}

#else

QString enterPrivateNetwork()
{
    return QStringLiteral("network namespaces are Linux's");
}

#endif

} // namespace testsupport
