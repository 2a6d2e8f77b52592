#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 Tolvane
# SPDX-License-Identifier: MIT
"""bench/table.py SAMPLES: the table from bench-driver's "<series>\t<value>" lines; a row without
samples (a benchmark not run) is left out. Exits 1 when a target is missed."""
import math, os, platform, statistics, sys

# measurement, unit, ours, floor's name, floor, target: "≤ <ratio>", "< <limit>" or "= <limit>"
ROWS = [
    ("start-up: exec → query window mapped", "ms", "startup.app.mapped", "bare Qt window", "startup.floor.mapped", "≤ 1.15"),
    ("start-up: exec → window first drawn", "ms", "startup.app.drawn", "bare Qt window", "startup.floor.drawn", ""),
    ("PSS at start-up", "MiB", "startup.app.pss", "bare Qt window", "startup.floor.pss", ""),
    ("PSS after 20 queries", "MiB", "use.app.pss", "bare Qt window", "use.floor.pss", "≤ 1.3"),
    ("processes below the app after 20 queries", "count", "use.app.children", "", "", "= 0"),
    ("PSS during a chat hand-off (peak)", "MiB", "use.handoff.peak", "bare QWebEnginePage (peak)", "use.engine.peak", "≤ 1.1"),
    ("PSS 1 s after the hand-off", "MiB", "use.handoff.pss-after", "bare QWebEnginePage, 1 s after its link", "use.engine.pss-after", ""),
    ("processes below the app when the query window is back", "count", "use.handoff.children-back", "", "", ""),
    ("processes below the app 1 s after", "count", "use.handoff.children-after", "", "", "= 0"),
    ("IM links that reached the desktop, per hand-off", "count", "use.handoff.links", "", "", "= 1"),
    ("CPU of the app while the chat window waits", "% of a core", "wait.app.cpu", "", "", "< 1"),
    ("CPU of the helper and its engine meanwhile", "% of a core", "wait.helper.cpu", "", "", ""),
    ("length of that wait", "s", "wait.seconds", "", "", ""),
    ("query, first of a process: click → result text", "ms", "query.app.first", "bare Qt Network: get() → finished", "query.network.first", "≤ 1.2"),
    ("query, later ones: click → result text", "ms", "query.app.later", "bare Qt Network: get() → finished", "query.network.later", "≤ 1.2"),
    ("query, later ones", "ms", "query.app.later", "curl -sL (its time_total)", "query.curl", ""),
    ("query, first of a process", "ms", "query.app.first", "bare QWebEnginePage: load() → loadFinished", "query.engine.first", ""),
    ("query, later ones", "ms", "query.app.later", "bare QWebEnginePage, later loads", "query.engine.later", ""),
    ("query, first, 10 ms per answer", "ms", "distant.app.first", "bare Qt Network", "distant.network.first", ""),
    ("query, later ones, 10 ms per answer", "ms", "distant.app.later", "bare Qt Network", "distant.network.later", ""),
    ("chat hand-off: click → IM link at the desktop", "ms", "handoff.app.link", "bare QWebEnginePage: start → IM link", "handoff.engine.link", "≤ 1.2"),
    ("chat hand-off: click → query window back", "ms", "handoff.app.back", "", "", ""),
    ("query handlers, 10 entries in the history", "µs", "scale.10", "", "", ""),
    ("query handlers, 1,000 entries", "µs", "scale.1000", "10 entries", "scale.10", ""),
    ("query handlers, 10,000 entries", "µs", "scale.10000", "10 entries", "scale.10", "≤ 1.5"),
]
HEADS = ["measurement", "unit", "ours: median (min–max)", "floor", "floor: median (min–max)", "ratio", "target", "met"]


def number(value):
    if value == math.floor(value) or abs(value) >= 100:
        return f"{value:.0f}"
    return f"{value:.1f}" if abs(value) >= 10 else f"{value:.2f}"


def shown(values):
    if len(values) < 2:
        return number(values[0]) if values else ""
    return f"{number(statistics.median(values))} ({number(min(values))}–{number(max(values))})"


def row(what, unit, ours, floor_name, floor, target):  # the cells, and whether the target was met
    median = statistics.median(ours)
    ratio = median / statistics.median(floor) if floor and statistics.median(floor) > 0 else None
    cells = [what, unit, shown(ours), floor_name, shown(floor), number(ratio) + "×" if ratio is not None else "", "", ""]
    if not target:
        return cells, None
    bound, limit = target.split()
    limit = float(limit)
    if bound == "≤":
        met = ratio is not None and ratio <= limit
    else:
        met = median < limit if bound == "<" else median == limit
    cells[6:] = [f"{bound} {number(limit)}" + ("×" if bound == "≤" else ""), "yes" if met else "NO"]
    return cells, met


def main(path):
    samples, qt = {}, "?"
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            if line.startswith("# Qt "):
                qt = line.split()[2]
            elif "\t" in line:
                series, value = line.split("\t")
                samples.setdefault(series, []).append(float(value))
    table = [row(what, unit, samples[ours], name, samples.get(floor, []), target)
             for what, unit, ours, name, floor, target in ROWS if samples.get(ours)]

    with open("/proc/cpuinfo") as cpuinfo:
        model = next((line.split(":", 1)[1].strip() for line in cpuinfo if line.startswith("model name")), "?")
    gib = round(os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30)
    print(f"machine: {os.cpu_count()} CPUs ({model}), {gib} GiB RAM, Linux {platform.release()}, Qt {qt}")
    widths = [max(len(cells[i]) for cells in [HEADS] + [cells for cells, _ in table]) for i in range(len(HEADS))]
    print("| " + " | ".join(head.ljust(width) for head, width in zip(HEADS, widths)) + " |")
    print("|" + "|".join("-" * (width + 2) for width in widths) + "|")
    for cells, _ in table:
        print("| " + " | ".join(cell.ljust(width) for cell, width in zip(cells, widths)) + " |")
    missed = any(met is False for _, met in table)
    print("some targets missed" if missed else "every target met")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "/dev/stdin"))
