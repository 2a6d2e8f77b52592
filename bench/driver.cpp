// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// bench-driver [startup|use|wait|query|handoff|scale]...: every benchmark (or those), ours beside
// its floor, each sample printed as "<series>\t<value>" for table.py. ./dev bench gives it what it
// needs; README.md says how each figure is taken.

#include "bench/child.h"
#include "bench/windowwatch.h"
#include "endpoints/endpoints.h"
#include "tests/support/processes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>
#include <stdexcept>
#include <thread>

namespace bench {
namespace {

constexpr int startupRuns = 21, settleMs = 500;
constexpr int processRuns = 3, queriesInUse = 20, sampleEveryMs = 20;
constexpr int cpuRuns = 2, cpuFromServedMs = 300;
constexpr int queryRuns = 5, queriesPerRun = 20, queryPauseMs = 20, engineQueryRuns = 2;
constexpr int networkDelayMs = 10, distantRuns = 3, distantQueriesPerRun = 10;
constexpr int handoffProbes = 2, handoffsPerProbe = 4, handoffPauseMs = 500;
const QString number = QStringLiteral("12345");
const QString idleNumber = QStringLiteral("00000");

void sample(const QString &series, double value)
{
    std::printf("%s\t%.6g\n", qPrintable(series), value);
}

double pssMiB(pid_t pid)
{
    return double(testsupport::treePssKiB(pid)) / 1024.0;
}

struct Setup
{
    endpoints::Endpoints endpoints = endpoints::Endpoints::builtIn();
    QProcessEnvironment env;       // programs with windows: on the X server
    QProcessEnvironment engineEnv; // the bare engine: offscreen, as the app's helper
    QString linkLog;               // every IM link the app handed to the desktop
    QString serviceLog;            // "<host> <target>" for every request the service had
    QProcess *service = nullptr;
    WindowWatch *x = nullptr;

    QString bin = QCoreApplication::applicationDirPath(); // the app and every program it starts
    QString program(const char *name) const { return bin + u'/' + QLatin1String(name); }
    QString app() const { return program("tolvane-qq-status"); }
};

// When the service's log first had `needle` after its first `mark` bytes, seen within 1 ms.
std::optional<Clock::time_point> serviceSaid(const Setup &setup, const QByteArray &needle,
                                             qint64 mark, int timeoutMs)
{
    QFile log(setup.serviceLog);
    for (const Clock::time_point deadline = after(timeoutMs); Clock::now() < deadline; sleepMs(1)) {
        if (log.open(QIODevice::ReadOnly) && log.seek(mark) && log.readAll().contains(needle))
            return Clock::now();
        log.close();
    }
    return std::nullopt;
}

void setDelay(const Setup &setup, int ms)
{
    setup.service->write("delay " + QByteArray::number(ms) + '\n');
    setup.service->waitForBytesWritten();
    sleepMs(100);
}

// Keys as a user presses them; xdotool returns once the server has them.
void xdotool(const QStringList &args)
{
    if (QProcess::execute(QStringLiteral("xdotool"), args) != 0)
        throw std::runtime_error("xdotool failed");
}

// From the number box, which has the focus, to 留言 (past 查询 and 退出), and press it.
const QStringList pressChat{"key", "Tab", "Tab", "Tab", "space"};

// bench-probe with these arguments, and the lines it printed.
QStringList probe(const Setup &setup, const QStringList &args, int count, int timeoutMs)
{
    const QStringList lines =
        output(setup.env, setup.program("bench-probe"), args, count, timeoutMs);
    setup.x->settle(200);
    return lines;
}

// The program's first top-level window, as it maps; its times go to `series` when given.
xcb_window_t waitForWindow(const Setup &setup, const Child &child, const QString &series = {})
{
    const auto mapped = setup.x->waitForMap(after(20000));
    if (!mapped)
        throw std::runtime_error("no window was mapped");
    const auto drawn = setup.x->waitForPaint(mapped->window, after(5000));
    if (!series.isEmpty())
        sample(series + ".mapped", msBetween(child.started(), mapped->at));
    if (!series.isEmpty() && drawn)
        sample(series + ".drawn", msBetween(child.started(), drawn->at));
    return mapped->window;
}

// The app's query window, found as it maps, with a number typed into its number box.
xcb_window_t typeIntoNumberBox(const Setup &setup, const Child &app, const QString &typed)
{
    const xcb_window_t window = waitForWindow(setup, app);
    sleepMs(settleMs);
    // Without a window manager, keys go to the window under the pointer.
    xdotool({"mousemove", "--window", QString::number(window), "5", "5"});
    xdotool({"type", "--delay", "5", typed});
    return window;
}

void startOnce(const Setup &setup, const QString &program, const QString &series)
{
    wakeCpus();
    Child child(program, setup.env);
    waitForWindow(setup, child, series);
    sleepMs(settleMs);
    if (!series.isEmpty())
        sample(series + ".pss", pssMiB(child.pid()));
    child.stop();
    setup.x->settle(200);
}

void measureStartup(const Setup &setup)
{
    // A first start of each only fills the page cache.
    startOnce(setup, setup.app(), {});
    startOnce(setup, setup.program("bench-floor-window"), {});
    for (int run = 0; run < startupRuns; ++run) {
        startOnce(setup, setup.app(), "startup.app");
        startOnce(setup, setup.program("bench-floor-window"), "startup.floor");
    }
}

// The app as a user has it: 20 queries, then a chat hand-off.
void useOnce(const Setup &setup)
{
    Child app(setup.app(), setup.env);
    const xcb_window_t window = typeIntoNumberBox(setup, app, number);
    for (int i = 0; i < queriesInUse; ++i) {
        const qint64 mark = QFileInfo(setup.serviceLog).size();
        xdotool({"key", "Return"});
        if (!serviceSaid(setup, "logo /qq_online.gif", mark, 5000))
            throw std::runtime_error("the app's query did not reach the service");
        sleepMs(50);
    }
    sleepMs(settleMs);
    sample("use.app.pss", pssMiB(app.pid()));
    sample("use.app.children", testsupport::descendants(app.pid()).size());

    const qint64 links = QFileInfo(setup.linkLog).size();
    xdotool(pressChat);
    double peak = 0;
    for (const Clock::time_point deadline = after(40000);
         !setup.x->waitForMap(after(sampleEveryMs), window);) {
        peak = std::max(peak, pssMiB(app.pid()));
        if (Clock::now() > deadline)
            throw std::runtime_error("the query window did not come back after the hand-off");
    }
    sample("use.handoff.peak", peak);
    sample("use.handoff.children-back", testsupport::descendants(app.pid()).size());
    sleepMs(1000);
    sample("use.handoff.children-after", testsupport::descendants(app.pid()).size());
    sample("use.handoff.pss-after", pssMiB(app.pid()));
    QFile log(setup.linkLog);
    log.open(QIODevice::ReadOnly);
    log.seek(links);
    sample("use.handoff.links", log.readAll().count('\n'));
    app.stop();
    setup.x->settle(200);
}

// The bare engine through the same hand-off page, its PSS sampled as the app's is, until its IM
// link and 1 s after.
void engineOnce(const Setup &setup)
{
    QProcess engine;
    start(engine, setup.engineEnv, setup.program("bench-floor-webengine"),
          {"handoff", setup.endpoints.chatHandoffAddress(number), setup.endpoints.imClientScheme});
    double peak = 0;
    const Clock::time_point deadline = after(30000);
    for (QByteArray said; !said.startsWith("link ") && !said.contains("\nlink ");) {
        if (Clock::now() > deadline)
            throw std::runtime_error("the bare engine produced no IM link");
        if (engine.waitForReadyRead(sampleEveryMs))
            said += engine.readAll();
        peak = std::max(peak, pssMiB(engine.processId()));
    }
    sample("use.engine.peak", peak);
    sleepMs(1000);
    sample("use.engine.pss-after", pssMiB(engine.processId()));
    finish(engine);
}

void measureUse(const Setup &setup)
{
    for (int run = 0; run < processRuns; ++run) {
        useOnce(setup);
        engineOnce(setup);
        startOnce(setup, setup.program("bench-floor-window"), "use.floor");
    }
}

void measureChatWait(const Setup &setup)
{
    for (int run = 0; run < cpuRuns; ++run) {
        Child app(setup.app(), setup.env);
        const xcb_window_t window = typeIntoNumberBox(setup, app, idleNumber);
        const qint64 mark = QFileInfo(setup.serviceLog).size();
        xdotool(pressChat);
        const auto served = serviceSaid(setup, "Uin=" + idleNumber.toLatin1(), mark, 10000);
        if (!served)
            throw std::runtime_error("the hand-off page was not asked for");
        std::this_thread::sleep_until(*served + std::chrono::milliseconds(cpuFromServedMs));

        // The app's own threads, and those of the helper and its engine below it.
        const auto cpu = [&] {
            const double own = testsupport::cpuSeconds(app.pid());
            return std::pair(own, testsupport::treeCpuSeconds(app.pid()) - own);
        };
        const Clock::time_point from = Clock::now();
        Clock::time_point to = from;
        const std::pair<double, double> before = cpu();
        std::pair<double, double> now = before;
        for (; !setup.x->waitForMap(after(100), window); to = Clock::now(), now = cpu()) {
            if (msBetween(from, to) > 40000)
                throw std::runtime_error("the chat window did not give up waiting");
        }
        const double wall = msBetween(from, to) / 1000.0;
        sample("wait.app.cpu", 100.0 * (now.first - before.first) / wall);
        sample("wait.helper.cpu", 100.0 * std::max(0.0, now.second - before.second) / wall);
        sample("wait.seconds", wall);
        app.stop();
        setup.x->settle(200);
    }
}

// One line per query of a process: the first goes to "<series>.first", the others to ".later".
void samplesOfProcess(const QString &series, const QStringList &lines)
{
    for (int i = 0; i < lines.size(); ++i)
        sample(series + (i == 0 ? ".first" : ".later"), lines[i].toDouble());
}

// Our queries and the bare network's, `runs` processes each, in turns.
void queryRounds(const Setup &setup, const QString &series, int runs, int count)
{
    const QStringList args{setup.endpoints.presenceImageAddress(number), QString::number(count),
                           QString::number(queryPauseMs)};
    for (int run = 0; run < runs; ++run) {
        samplesOfProcess(series + ".app",
                         probe(setup, QStringList{"query"} + args.mid(1), count, 20000));
        samplesOfProcess(
            series + ".network",
            output(setup.env, setup.program("bench-floor-network"), args, count, 20000));
    }
}

void measureQueries(const Setup &setup)
{
    queryRounds(setup, "query", queryRuns, queriesPerRun);
    const QString address = setup.endpoints.presenceImageAddress(number);
    for (int i = 0; i < queriesPerRun; ++i) {
        const QStringList args{"-sL", "-o", "/dev/null", "-w", "%{time_total}\n", address};
        sample("query.curl", output(setup.env, "curl", args, 1, 10000).front().toDouble() * 1000);
    }
    for (int run = 0; run < engineQueryRuns; ++run) {
        const QStringList args{"load", address, QString::number(queriesPerRun),
                               QString::number(queryPauseMs)};
        samplesOfProcess("query.engine",
                         output(setup.engineEnv, setup.program("bench-floor-webengine"), args,
                                queriesPerRun, 60000));
    }
    // The same over a network that takes a while to answer each request.
    setDelay(setup, networkDelayMs);
    queryRounds(setup, "distant", distantRuns, distantQueriesPerRun);
    setDelay(setup, 0);
}

// Lines the probe printed as samples already.
void forward(const QStringList &samples)
{
    for (const QString &line : samples)
        std::printf("%s\n", qPrintable(line));
}

void measureHandoff(const Setup &setup)
{
    const QString count = QString::number(handoffsPerProbe),
                  pause = QString::number(handoffPauseMs);
    for (int run = 0; run < handoffProbes; ++run) {
        forward(probe(setup, {"handoff", count, pause}, 2 * handoffsPerProbe, 60000));
        forward(probe(setup, {"floor-handoff", count, pause}, handoffsPerProbe, 60000));
    }
}

void measureScale(const Setup &setup)
{
    forward(probe(setup, {"scale", "10", "1000", "10000"}, 3 * 101, 120000));
}

void run(const QStringList &chosen)
{
    Setup setup;
    const QString loopback = QStringLiteral("127.0.0.1:");
    if (!setup.endpoints.presenceHost.startsWith(loopback) ||
        !setup.endpoints.logoHost.startsWith(loopback))
        throw std::runtime_error(
            "configure this build with loopback hosts (the bench preset of ./dev bench does)");
    QTemporaryDir folder;
    // Instead of the desktop's opener: the app hands the IM link here, which only notes it.
    setup.linkLog = folder.filePath("links");
    QFile opener(folder.filePath("xdg-open"));
    opener.open(QIODevice::WriteOnly);
    opener.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + setup.linkLog.toLocal8Bit() + "'\n");
    opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    opener.close();
    setup.env = setup.engineEnv = QProcessEnvironment::systemEnvironment();
    setup.env.insert("QT_QPA_PLATFORM", "xcb");
    setup.env.insert("PATH", folder.path() + u':' + setup.env.value("PATH"));
    setup.engineEnv.insert("QT_QPA_PLATFORM", "offscreen");

    QProcess service;
    setup.serviceLog = folder.filePath("service");
    service.setStandardOutputFile(setup.serviceLog);
    start(service, setup.env, setup.program("bench-service"),
          {setup.endpoints.presenceHost.mid(loopback.size()),
           setup.endpoints.logoHost.mid(loopback.size()), setup.endpoints.imClientScheme});
    if (!serviceSaid(setup, "ready", 0, 10000))
        throw std::runtime_error("the fake service did not start");
    setup.service = &service;
    WindowWatch x;
    setup.x = &x;

    std::printf("# Qt %s\n", qVersion());
    const std::pair<const char *, void (*)(const Setup &)> all[]{
        {"startup", &measureStartup}, {"use", &measureUse},         {"wait", &measureChatWait},
        {"query", &measureQueries},   {"handoff", &measureHandoff}, {"scale", &measureScale}};
    for (const auto &[name, measure] : all) {
        if (!chosen.isEmpty() && !chosen.contains(QLatin1String(name)))
            continue;
        std::fprintf(stderr, "%s...\n", name);
        measure(setup);
        std::fflush(stdout);
    }
    finish(service);
}

} // namespace
} // namespace bench

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        bench::run(QCoreApplication::arguments().mid(1));
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench-driver: %s\n", error.what());
        return 2;
    }
}
