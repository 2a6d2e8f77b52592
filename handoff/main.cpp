// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// tolvane-qq-handoff <im-client-scheme>
//
// Loads the chat hand-off page for the app, out of sight, and tells the app what the page does,
// as handoff/protocol.h has it.

#include "handoff/handoffpage.h"
#include "handoff/protocol.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTimer>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#ifdef Q_OS_UNIX
#include <unistd.h>
#else
#include <io.h>
#endif

namespace {

// Whatever the app or the page does, the helper does not outlive this.
constexpr int lastResortMs = 60000;

// Switched off in Chromium because a hidden page that is only there for one link needs none of
// it: no GPU (nothing is drawn, and a GL context writes a shader cache), no sound (the audio
// service's PulseAudio client makes its own folder in the runtime directory), and none of the
// browser's own traffic.
constexpr char chromiumFlags[] = "--disable-gpu --disable-gpu-compositing --disable-audio-output "
                                 "--disable-background-networking --disable-component-update "
                                 "--disable-sync --disable-domain-reliability --no-pings";

namespace protocol = handoff::protocol;

// Set once the engine has shown that it runs, or the helper has said anything: from then on a
// crash is the helper dying, no longer its engine failing to start.
volatile std::sig_atomic_t engineRunning = 0;

void report(const char *word, const QUrl &address = {})
{
    engineRunning = 1;
    const QByteArray line = protocol::encodeLine(word, address);
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

// The helper's last word, after which it ends.
void end(const char *word)
{
    report(word);
    QCoreApplication::exit(1);
}

constexpr auto unavailableLine = protocol::constantLine(protocol::unavailable);

// The engine's own start-up checks end the program: Qt's aborts when it misses the engine's
// process or resources, Chromium's trap when it cannot start the processes it needs. Until the
// engine runs, such a crash is reported as the engine failing to start; the crash itself goes on.
extern "C" void reportFailedStart(int signal)
{
    if (!engineRunning) {
        // Only what is safe in a signal handler: one write of a line made at compile time.
#ifdef Q_OS_UNIX
        [[maybe_unused]] const auto written =
            ::write(STDOUT_FILENO, unavailableLine.data(), unavailableLine.size());
#else
        _write(1, unavailableLine.data(), unsigned(unavailableLine.size()));
#endif
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void reportFailedStartOnCrash()
{
    for (const int signal : {SIGABRT, SIGSEGV, SIGILL, SIGFPE})
        std::signal(signal, reportFailedStart);
#ifdef Q_OS_UNIX
    for (const int signal : {SIGTRAP, SIGBUS})
        std::signal(signal, reportFailedStart);
#endif
}

// Everything the engine reads from the environment when it starts, set before it does.
void prepareEngine()
{
    // The page has no view, so nothing of it is ever shown. Elsewhere there may be no display to
    // talk to; Windows always has its desktop, and its own plugin is the one deployed there.
#ifdef Q_OS_WIN
    qputenv("QT_QPA_PLATFORM", "windows");
#else
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // Mesa keeps a shader cache under the home folder even for a context that never draws.
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
    // Nobody gets to attach to this page.
    qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");
    QByteArray flags = chromiumFlags;
#ifdef Q_OS_UNIX
    // The engine refuses to start its sandbox as root, so only root goes without it.
    // Without a sandbox the zygote, whose job is to start sandboxed renderers, only costs memory.
    if (geteuid() == 0) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        flags += " --no-zygote";
    } else {
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    }
#endif
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
}

// Reads the app's input on a thread of its own: a blocking read is the one way of waiting on a
// pipe that works on every platform. The first line is the address; the end of the input means
// stop. The thread cannot be woken from its read, so it is left behind when the program ends and
// only posts to the main thread while it still listens. It must hold no lock that ending the
// program takes: std::cin synced with stdio reads under stdin's lock, which exit() takes too
// (glibc 2.41 flushes every stream, stdin included), so the input is read unsynced, straight from
// its file descriptor.
class InputReader
{
    Q_DISABLE_COPY_MOVE(InputReader)

public:
    InputReader(QObject *receiver, std::function<void(const QByteArray &)> onAddress)
        : m_inbox(std::make_shared<Inbox>())
    {
        m_inbox->receiver = receiver;
        std::thread([inbox = m_inbox, onAddress = std::move(onAddress)] {
            std::string line;
            if (std::getline(std::cin, line)) {
                const QByteArray address = QByteArray::fromStdString(line).trimmed();
                inbox->post([onAddress, address] { onAddress(address); });
            }
            // Later lines carry nothing; only the end of the input counts.
            while (std::getline(std::cin, line)) {
            }
            inbox->post([] { QCoreApplication::exit(0); });
        }).detach();
    }
    ~InputReader()
    {
        const std::lock_guard lock(m_inbox->mutex);
        m_inbox->receiver = nullptr;
    }

private:
    struct Inbox
    {
        std::mutex mutex;
        QObject *receiver = nullptr;

        void post(std::function<void()> call)
        {
            const std::lock_guard lock(mutex);
            if (receiver)
                QMetaObject::invokeMethod(receiver, std::move(call), Qt::QueuedConnection);
        }
    };
    std::shared_ptr<Inbox> m_inbox;
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: tolvane-qq-handoff <im-client-scheme>\n", stderr);
        return 2;
    }
    const QString imClientScheme = QString::fromLocal8Bit(argv[1]).toLower();

    std::ios::sync_with_stdio(false);
    reportFailedStartOnCrash();
    prepareEngine();
    // The engine takes switches from the command line too; it gets none from ours.
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    // Off the record: cache, cookies and storage live in memory and go with the process.
    QWebEngineProfile profile;
    QObject::connect(&profile, &QWebEngineProfile::downloadRequested, &profile,
                     [](QWebEngineDownloadRequest *download) { download->cancel(); });

    handoff::HandoffPage page(&profile, imClientScheme);
    QObject::connect(&page, &handoff::HandoffPage::navigating, &app,
                     [](const QUrl &url) { report(protocol::navigating, url); });
    QObject::connect(&page, &handoff::HandoffPage::loaded, &app,
                     [](const QUrl &url) { report(protocol::loaded, url); });
    QObject::connect(&page, &handoff::HandoffPage::linkProduced, &app,
                     [](const QUrl &url) { report(protocol::link, url); });
    QObject::connect(&page, &handoff::HandoffPage::engineStarted, &app, [] { engineRunning = 1; });
    // Whichever comes first is the last word; what the page does after it goes unsaid.
    QObject::connect(&page, &handoff::HandoffPage::failed, &app, [&] {
        QObject::disconnect(&page, nullptr, &app, nullptr);
        end(protocol::failed);
    });
    QObject::connect(&page, &handoff::HandoffPage::engineFailed, &app, [&] {
        QObject::disconnect(&page, nullptr, &app, nullptr);
        end(protocol::rendererEnded);
    });

    QTimer::singleShot(lastResortMs, &app, [] { QCoreApplication::exit(1); });
    const InputReader input(&page, [&page](const QByteArray &line) {
        // The app sends the address fully encoded, every '%' the start of an escape, so strict
        // parsing keeps each byte: the engine asks for exactly what the app's navigator would.
        const QUrl address = QUrl::fromEncoded(line, QUrl::StrictMode);
        if (!address.isValid() || address.isRelative()) {
            end(protocol::failed);
            return;
        }
        page.load(address);
    });
    return app.exec();
}
