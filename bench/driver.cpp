// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// bench-driver [startup|use|wait|query|handoff|scale]...
//
// Runs every benchmark (or the ones named) side by side with its floor, in one run, and prints the
// table. Needs an X server in DISPLAY with no window manager (bench/run starts Xvfb), and this
// build configured with loopback service hosts: the app under test is this build's own
// tolvane-qq-status, unchanged.
//
// How each figure is taken:
// - Start-up: the driver takes the time, starts the program with posix_spawn and waits, as a
//   client of the X server of its own, for the server to report the program's first top-level
//   window mapped (MapNotify on the root window) and first drawn into (DAMAGE). The app and the
//   bare window are started alike, in turns.
// - Memory: PSS from /proc/PID/smaps_rollup, summed over the process and all its descendants.
//   The app is driven as a user drives it, with XTEST keys and clicks on its window.
// - Latencies and the handler's cost: bench-probe, our libraries timed from inside (see there),
//   against the floors timing themselves the same way.
// - CPU: the scheduler's run time of the app's threads while the chat window waits out a
//   hand-off page that does nothing.

#include "endpoints.h"
#include "proc.h"
#include "report.h"
#include "xsession.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <thread>
#include <unistd.h>

namespace bench {
namespace {

constexpr int startupRuns = 21;
constexpr int processRuns = 3;
constexpr int cpuRuns = 2;
constexpr int queryRuns = 5;
constexpr int queriesPerRun = 20;
constexpr int queryPauseMs = 20;
constexpr int networkDelayMs = 10;
constexpr int distantRuns = 3;
constexpr int distantQueriesPerRun = 10;
constexpr int handoffProbes = 2;
constexpr int handoffsPerProbe = 4;
constexpr int handoffPauseMs = 500;
constexpr int settleMs = 500;
const std::string number = "12345";
const std::string idleNumber = "00000";

struct Point
{
    int x = 0;
    int y = 0;
};

struct Setup
{
    std::string bin;
    endpoints::Endpoints endpoints;
    std::vector<std::string> env;       // programs with windows: on the X server
    std::vector<std::string> engineEnv; // the bare engine: offscreen, as the app's helper
    std::string linkLog;
    Child *serviceProcess = nullptr;
    LineLog *service = nullptr;
    XSession *x = nullptr;
    Point combo, chat;

    std::string app() const { return bin + "/tolvane-qq-status"; }
    std::string program(const std::string &name) const { return bin + '/' + name; }
};

double mib(long kib)
{
    return double(kib) / 1024.0;
}

std::string portOf(const QString &host)
{
    if (!host.startsWith(QStringLiteral("127.0.0.1:")))
        throw std::runtime_error("this build talks to " + host.toStdString() +
                                 ": configure it with loopback hosts (bench/run does)");
    return host.section(u':', 1).toStdString();
}

std::string directoryOfThisProgram()
{
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        throw std::runtime_error("cannot find the driver's own folder");
    const std::string self(path, size_t(length));
    return self.substr(0, self.rfind('/'));
}

std::string findInPath(const std::string &name)
{
    std::istringstream path(std::getenv("PATH") ? std::getenv("PATH") : "");
    std::string folder;
    while (std::getline(path, folder, ':')) {
        const std::string candidate = folder + '/' + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    throw std::runtime_error(name + " is not installed");
}

size_t linesIn(const std::string &file)
{
    std::ifstream in(file);
    size_t count = 0;
    for (std::string line; std::getline(in, line);)
        ++count;
    return count;
}

std::vector<std::string> readLines(Child &child, size_t count, int timeoutMs)
{
    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < count && child.readLine(line, after(timeoutMs)))
        lines.push_back(line);
    if (lines.size() < count)
        throw std::runtime_error("a program gave " + std::to_string(lines.size()) + " of " +
                                 std::to_string(count) + " results");
    return lines;
}

// Instead of the desktop's opener: the app hands the IM link here, which only notes it.
std::string makeOpener(const std::string &folder, const std::string &log)
{
    const std::string opener = folder + "/xdg-open";
    std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << log << "'\n";
    if (chmod(opener.c_str(), 0755) != 0)
        throw std::runtime_error("cannot write " + opener);
    return folder;
}

struct Started
{
    xcb_window_t window = 0;
    double mappedMs = 0;
    double drawnMs = NAN;
};

// Ends a program that has windows, and lets the X server see it go before anything else
// connects: Xvfb refuses some of the connections that come in while it is still tearing down a
// client's.
void closeWindows(const Setup &setup, Child &child)
{
    child.stop();
    setup.x->idle(200);
    setup.x->clear();
}

// bench-probe with these arguments, and the lines it printed.
std::vector<std::string> probe(const Setup &setup, std::vector<std::string> args, size_t count,
                               int timeoutMs)
{
    args.insert(args.begin(), setup.program("bench-probe"));
    Child child(args, setup.env, false, true);
    std::vector<std::string> lines = readLines(child, count, timeoutMs);
    closeWindows(setup, child);
    return lines;
}

Started waitForWindow(XSession &x, const Child &child)
{
    const auto mapped = x.waitForMap(after(20000));
    if (!mapped)
        throw std::runtime_error("no window was mapped");
    Started started{mapped->window, msBetween(child.started(), mapped->at)};
    if (const auto drawn = x.waitForPaint(mapped->window, after(5000)))
        started.drawnMs = msBetween(child.started(), drawn->at);
    return started;
}

// The app's query window, found as it maps, with a number typed into its number box as a user
// types it; the window's origin places the clicks that follow.
struct TypedWindow
{
    xcb_window_t id;
    int ox;
    int oy;
};

TypedWindow typeIntoNumberBox(const Setup &setup, const Child &app, const std::string &number)
{
    XSession &x = *setup.x;
    const Started started = waitForWindow(x, app);
    sleepMs(settleMs);
    TypedWindow window{started.window, 0, 0};
    x.origin(window.id, window.ox, window.oy);
    x.click(window.ox + setup.combo.x, window.oy + setup.combo.y);
    x.type(number);
    return window;
}

struct StartupFigures
{
    std::vector<double> mapped, drawn, pss;
};

// Every core busy for a moment: an idle core here takes tens of milliseconds to come up to full
// speed, which would otherwise land on whichever program starts first.
void wakeCpus()
{
    std::vector<std::thread> spinners;
    for (long i = 0; i < sysconf(_SC_NPROCESSORS_ONLN); ++i) {
        spinners.emplace_back([] {
            const Clock::time_point end = after(100);
            while (Clock::now() < end) {
            }
        });
    }
    for (std::thread &spinner : spinners)
        spinner.join();
}

void startOnce(const std::string &program, const Setup &setup, StartupFigures *figures)
{
    wakeCpus();
    Child child({program}, setup.env, false, false);
    const Started started = waitForWindow(*setup.x, child);
    sleepMs(settleMs);
    const long pss = treePssKiB(child.pid());
    if (figures) {
        figures->mapped.push_back(started.mappedMs);
        figures->drawn.push_back(started.drawnMs);
        figures->pss.push_back(mib(pss));
    }
    closeWindows(setup, child);
}

void measureStartup(const Setup &setup, Report &report)
{
    std::cerr << "start-up and memory at start-up...\n";
    StartupFigures app, bare;
    // A first start of each only fills the page cache.
    startOnce(setup.app(), setup, nullptr);
    startOnce(setup.program("bench-floor-window"), setup, nullptr);
    for (int run = 0; run < startupRuns; ++run) {
        startOnce(setup.app(), setup, &app);
        startOnce(setup.program("bench-floor-window"), setup, &bare);
    }
    report.compare("start-up: exec → query window mapped", "ms", app.mapped, "bare Qt window",
                   bare.mapped, 1.15);
    report.compare("start-up: exec → window first drawn", "ms", app.drawn, "bare Qt window",
                   bare.drawn, std::nullopt);
    report.compare("PSS at start-up", "MiB", app.pss, "bare Qt window", bare.pss, std::nullopt);
}

struct UseFigures
{
    std::vector<double> queriesPss, queriesChildren, chatPeak, afterPss, atReturn, afterReturn,
        linksSeen;
};

// The app as a user has it: 20 queries, then a chat hand-off.
void useOnce(const Setup &setup, UseFigures &figures)
{
    XSession &x = *setup.x;
    Child app({setup.app()}, setup.env, false, false);
    const TypedWindow window = typeIntoNumberBox(setup, app, number);
    for (int i = 0; i < 20; ++i) {
        const size_t mark = setup.service->size();
        x.type("\n");
        if (!setup.service->waitFor("logo /qq_online.gif", mark, after(5000)))
            throw std::runtime_error("the app's query did not reach the service");
        sleepMs(50);
    }
    sleepMs(settleMs);
    figures.queriesPss.push_back(mib(treePssKiB(app.pid())));
    figures.queriesChildren.push_back(double(descendants(app.pid()).size()));

    const size_t links = linesIn(setup.linkLog);
    x.click(window.ox + setup.chat.x, window.oy + setup.chat.y);
    long peak = 0;
    const Clock::time_point deadline = after(40000);
    while (!x.waitForMap(after(20), window.id)) {
        peak = std::max(peak, treePssKiB(app.pid()));
        if (Clock::now() > deadline)
            throw std::runtime_error("the query window did not come back after the hand-off");
    }
    figures.chatPeak.push_back(mib(peak));
    figures.atReturn.push_back(double(descendants(app.pid()).size()));
    sleepMs(1000);
    figures.afterReturn.push_back(double(descendants(app.pid()).size()));
    figures.afterPss.push_back(mib(treePssKiB(app.pid())));
    figures.linksSeen.push_back(double(linesIn(setup.linkLog) - links));
    closeWindows(setup, app);
}

struct EngineFigures
{
    std::vector<double> peak, after;
};

void engineOnce(const Setup &setup, EngineFigures &figures)
{
    const std::string address =
        setup.endpoints.chatHandoffAddress(QString::fromStdString(number)).toStdString();
    Child engine({setup.program("bench-floor-webengine"), "handoff", address,
                  setup.endpoints.imClientScheme.toStdString()},
                 setup.engineEnv, true, true);
    long peak = 0;
    std::string line;
    const Clock::time_point deadline = after(30000);
    for (;;) {
        const bool got = engine.readLine(line, after(20));
        peak = std::max(peak, treePssKiB(engine.pid()));
        if (got && line.rfind("link ", 0) == 0)
            break;
        if (Clock::now() > deadline)
            throw std::runtime_error("the bare engine produced no IM link");
    }
    figures.peak.push_back(mib(peak));
    sleepMs(1000);
    figures.after.push_back(mib(treePssKiB(engine.pid())));
}

void measureUse(const Setup &setup, Report &report)
{
    std::cerr << "memory through 20 queries and a chat hand-off...\n";
    UseFigures use;
    EngineFigures engine;
    StartupFigures bare;
    for (int run = 0; run < processRuns; ++run) {
        useOnce(setup, use);
        engineOnce(setup, engine);
        startOnce(setup.program("bench-floor-window"), setup, &bare);
    }
    report.compare("PSS after 20 queries", "MiB", use.queriesPss, "bare Qt window", bare.pss, 1.3);
    report.absolute("processes below the app after 20 queries", "count", use.queriesChildren,
                    Report::Bound::Exactly, 0);
    report.compare("PSS during a chat hand-off (peak)", "MiB", use.chatPeak,
                   "bare QWebEnginePage (peak)", engine.peak, 1.1);
    report.compare("PSS 1 s after the hand-off", "MiB", use.afterPss,
                   "bare QWebEnginePage, 1 s after its link", engine.after, std::nullopt);
    report.compare("processes below the app when the query window is back", "count", use.atReturn,
                   "", {}, std::nullopt);
    report.absolute("processes below the app 1 s after", "count", use.afterReturn,
                    Report::Bound::Exactly, 0);
    report.absolute("IM links that reached the desktop, per hand-off", "count", use.linksSeen,
                    Report::Bound::Exactly, 1);
}

void measureChatWait(const Setup &setup, Report &report)
{
    std::cerr << "CPU while the chat window waits...\n";
    std::vector<double> app, engine, seconds;
    for (int run = 0; run < cpuRuns; ++run) {
        XSession &x = *setup.x;
        Child child({setup.app()}, setup.env, false, false);
        const TypedWindow window = typeIntoNumberBox(setup, child, idleNumber);
        const size_t mark = setup.service->size();
        x.click(window.ox + setup.chat.x, window.oy + setup.chat.y);
        LineLog::Line served;
        if (!setup.service->waitFor("Uin=" + idleNumber, mark, after(10000), &served))
            throw std::runtime_error("the hand-off page was not asked for");
        std::this_thread::sleep_until(served.at + std::chrono::milliseconds(300));

        const Clock::time_point from = Clock::now();
        const double ownFrom = cpuSeconds(child.pid());
        const double engineFrom = treeCpuSeconds(child.pid()) - ownFrom;
        Clock::time_point to = from;
        double ownTo = ownFrom, engineTo = engineFrom;
        while (!x.waitForMap(after(100), window.id)) {
            to = Clock::now();
            ownTo = cpuSeconds(child.pid());
            engineTo = treeCpuSeconds(child.pid()) - ownTo;
            if (msBetween(from, to) > 40000)
                throw std::runtime_error("the chat window did not give up waiting");
        }
        const double wall = msBetween(from, to) / 1000.0;
        app.push_back(100.0 * (ownTo - ownFrom) / wall);
        engine.push_back(100.0 * std::max(0.0, engineTo - engineFrom) / wall);
        seconds.push_back(wall);
        closeWindows(setup, child);
    }
    report.absolute("CPU of the app while the chat window waits", "% of a core", app,
                    Report::Bound::Below, 1);
    report.compare("CPU of the helper and its engine meanwhile", "% of a core", engine, "", {},
                   std::nullopt);
    report.compare("length of that wait", "s", seconds, "", {}, std::nullopt);
}

void split(const std::vector<std::string> &lines, std::vector<double> &first,
           std::vector<double> &later, double scale = 1.0)
{
    for (size_t i = 0; i < lines.size(); ++i)
        (i == 0 ? first : later).push_back(std::stod(lines[i]) * scale);
}

void measureQueries(const Setup &setup, Report &report)
{
    std::cerr << "query latency...\n";
    const std::string address =
        setup.endpoints.presenceImageAddress(QString::fromStdString(number)).toStdString();
    const std::string count = std::to_string(queriesPerRun);
    const std::string pause = std::to_string(queryPauseMs);
    std::vector<double> appFirst, appLater, qtFirst, qtLater, engineFirst, engineLater, curl;
    for (int run = 0; run < queryRuns; ++run) {
        {
            split(probe(setup, {"query", count, pause}, queriesPerRun, 20000), appFirst, appLater);
        }
        {
            Child floor({setup.program("bench-floor-network"), address, count, pause}, setup.env,
                        false, true);
            split(readLines(floor, queriesPerRun, 20000), qtFirst, qtLater);
        }
    }
    const std::string curlPath = findInPath("curl");
    for (int i = 0; i < queriesPerRun; ++i) {
        Child transfer({curlPath, "-sL", "-o", "/dev/null", "-w", "%{time_total}\n", address},
                       setup.env, false, true);
        curl.push_back(std::stod(readLines(transfer, 1, 10000).front()) * 1000.0);
    }
    for (int run = 0; run < 2; ++run) {
        Child engine({setup.program("bench-floor-webengine"), "load", address, count, pause},
                     setup.engineEnv, false, true);
        split(readLines(engine, queriesPerRun, 60000), engineFirst, engineLater);
    }
    // The same over a network that takes a while to answer each request.
    std::vector<double> distantAppFirst, distantAppLater, distantQtFirst, distantQtLater;
    const std::string distantCount = std::to_string(distantQueriesPerRun);
    setup.serviceProcess->write("delay " + std::to_string(networkDelayMs) + "\n");
    sleepMs(100);
    for (int run = 0; run < distantRuns; ++run) {
        split(probe(setup, {"query", distantCount, pause}, distantQueriesPerRun, 20000),
              distantAppFirst, distantAppLater);
        Child floor({setup.program("bench-floor-network"), address, distantCount, pause}, setup.env,
                    false, true);
        split(readLines(floor, distantQueriesPerRun, 20000), distantQtFirst, distantQtLater);
    }
    setup.serviceProcess->write("delay 0\n");
    sleepMs(100);

    report.compare("query, first of a process: click → result text", "ms", appFirst,
                   "bare Qt Network: get() → finished", qtFirst, 1.2);
    report.compare("query, later ones: click → result text", "ms", appLater,
                   "bare Qt Network: get() → finished", qtLater, 1.2);
    report.compare("query, later ones", "ms", appLater, "curl -sL (its time_total)", curl,
                   std::nullopt);
    report.compare("query, first of a process", "ms", appFirst,
                   "bare QWebEnginePage: load() → loadFinished", engineFirst, std::nullopt);
    report.compare("query, later ones", "ms", appLater, "bare QWebEnginePage, later loads",
                   engineLater, std::nullopt);
    const std::string distant = " ms per answer";
    report.compare("query, first, " + std::to_string(networkDelayMs) + distant, "ms",
                   distantAppFirst, "bare Qt Network", distantQtFirst, std::nullopt);
    report.compare("query, later ones, " + std::to_string(networkDelayMs) + distant, "ms",
                   distantAppLater, "bare Qt Network", distantQtLater, std::nullopt);
}

void measureHandoff(const Setup &setup, Report &report)
{
    std::cerr << "chat hand-off latency...\n";
    const std::string count = std::to_string(handoffsPerProbe);
    const std::string pause = std::to_string(handoffPauseMs);
    std::vector<double> link, back, floor;
    for (int run = 0; run < handoffProbes; ++run) {
        for (const std::string &line :
             probe(setup, {"handoff", count, pause}, handoffsPerProbe, 60000)) {
            std::istringstream fields(line);
            double linkMs, backMs;
            fields >> linkMs >> backMs;
            link.push_back(linkMs);
            back.push_back(backMs);
        }
        for (const std::string &line :
             probe(setup, {"floor-handoff", count, pause}, handoffsPerProbe, 60000))
            floor.push_back(std::stod(line));
    }
    report.compare("chat hand-off: click → IM link at the desktop", "ms", link,
                   "bare QWebEnginePage: start → IM link", floor, 1.2);
    report.compare("chat hand-off: click → query window back", "ms", back, "", {}, std::nullopt);
}

void measureScale(const Setup &setup, Report &report)
{
    std::cerr << "query handler against the history's size...\n";
    std::map<int, std::vector<double>> byEntries;
    for (const std::string &line : probe(setup, {"scale", "10", "1000", "10000"}, 3, 120000)) {
        std::istringstream fields(line);
        int entries;
        fields >> entries;
        for (double ms; fields >> ms;)
            byEntries[entries].push_back(ms * 1000.0);
    }
    report.compare("query handlers, 10 entries in the history", "µs", byEntries[10], "", {},
                   std::nullopt);
    report.compare("query handlers, 1,000 entries", "µs", byEntries[1000], "10 entries",
                   byEntries[10], std::nullopt);
    report.compare("query handlers, 10,000 entries", "µs", byEntries[10000], "10 entries",
                   byEntries[10], 1.5);
}

Point point(const std::string &line)
{
    std::istringstream fields(line);
    std::string name;
    Point p;
    fields >> name >> p.x >> p.y;
    return p;
}

void printMachine(std::ostream &out)
{
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string model = "?";
    for (std::string line; std::getline(cpuinfo, line);) {
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    }
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    long totalKiB = 0;
    meminfo >> key >> totalKiB;
    utsname system;
    uname(&system);
    out << "machine: " << sysconf(_SC_NPROCESSORS_ONLN) << " CPUs (" << model << "), "
        << (totalKiB + 512 * 1024) / (1024 * 1024) << " GiB RAM, Linux " << system.release
        << ", Qt " << qVersion() << "\n";
}

int run(const std::vector<std::string> &chosen)
{
    Setup setup;
    setup.bin = directoryOfThisProgram();
    setup.endpoints = endpoints::Endpoints::builtIn();
    const std::string presencePort = portOf(setup.endpoints.presenceHost);
    const std::string logoPort = portOf(setup.endpoints.logoHost);

    char folder[] = "/tmp/tolvane-bench-XXXXXX";
    if (!mkdtemp(folder))
        throw std::runtime_error("cannot make a temporary folder");
    setup.linkLog = std::string(folder) + "/links";
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    setup.env = environment(
        {{"QT_QPA_PLATFORM", "xcb"}, {"PATH", makeOpener(folder, setup.linkLog) + ':' + path}});
    setup.engineEnv = environment({{"QT_QPA_PLATFORM", "offscreen"}});

    Child serviceProcess({setup.program("bench-service"), presencePort, logoPort,
                          setup.endpoints.imClientScheme.toStdString()},
                         setup.env, true, true);
    LineLog service(serviceProcess);
    setup.serviceProcess = &serviceProcess;
    if (!service.waitFor("ready", 0, after(10000)))
        throw std::runtime_error("the fake service did not start");
    setup.service = &service;
    XSession x;
    setup.x = &x;

    const std::vector<std::string> geometry = probe(setup, {"geometry"}, 3, 20000);
    setup.combo = point(geometry[0]);
    setup.chat = point(geometry[2]);

    Report report;
    const std::vector<std::pair<std::string, void (*)(const Setup &, Report &)>> all{
        {"startup", &measureStartup}, {"use", &measureUse},         {"wait", &measureChatWait},
        {"query", &measureQueries},   {"handoff", &measureHandoff}, {"scale", &measureScale}};
    for (const auto &[name, measure] : all) {
        if (chosen.empty() || std::find(chosen.begin(), chosen.end(), name) != chosen.end())
            measure(setup, report);
    }

    printMachine(std::cout);
    report.print(std::cout);
    std::cout << (report.allMet() ? "every target met\n" : "some targets missed\n");
    std::remove(setup.linkLog.c_str());
    std::remove((std::string(folder) + "/xdg-open").c_str());
    rmdir(folder);
    return report.allMet() ? 0 : 1;
}

} // namespace
} // namespace bench

int main(int argc, char *argv[])
{
    try {
        return bench::run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception &error) {
        std::cerr << "bench-driver: " << error.what() << '\n';
        return 2;
    }
}
