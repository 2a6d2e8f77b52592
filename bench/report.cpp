// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bench {
namespace {

std::string number(double value)
{
    char text[32];
    const double magnitude = std::fabs(value);
    const bool whole = value == std::floor(value);
    std::snprintf(text, sizeof text,
                  whole || magnitude >= 100 ? "%.0f"
                  : magnitude >= 10         ? "%.1f"
                                            : "%.2f",
                  value);
    return text;
}

std::string shown(const Summary &summary)
{
    if (summary.count == 0)
        return "n/a";
    if (summary.count == 1)
        return number(summary.median);
    return number(summary.median) + " (" + number(summary.min) + "–" + number(summary.max) + ")";
}

// Characters shown, not bytes: the en dash and × are several bytes each.
size_t shownWidth(const std::string &text)
{
    size_t width = 0;
    for (const unsigned char c : text)
        width += (c & 0xc0) != 0x80;
    return width;
}

std::string cell(std::string text, size_t width)
{
    const size_t shown = shownWidth(text);
    if (shown < width)
        text.append(width - shown, ' ');
    return text;
}

} // namespace

Summary summarize(std::vector<double> values)
{
    Summary summary;
    summary.count = values.size();
    if (values.empty())
        return summary;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    summary.median = values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    summary.min = values.front();
    summary.max = values.back();
    return summary;
}

void Report::compare(std::string what, std::string unit, const std::vector<double> &ours,
                     std::string floorName, const std::vector<double> &floor,
                     std::optional<double> maxRatio)
{
    Row row{std::move(what),
            std::move(unit),
            summarize(ours),
            std::move(floorName),
            summarize(floor),
            {},
            {},
            {}};
    if (row.ours.count > 0 && row.floor->count > 0 && row.floor->median > 0) {
        const double ratio = row.ours.median / row.floor->median;
        row.ratio = number(ratio) + "×";
        if (maxRatio)
            row.met = ratio <= *maxRatio;
    } else if (maxRatio) {
        row.met = false;
    }
    if (maxRatio)
        row.target = "≤ " + number(*maxRatio) + "×";
    m_rows.push_back(std::move(row));
}

void Report::absolute(std::string what, std::string unit, const std::vector<double> &ours,
                      Bound bound, double limit)
{
    Row row{std::move(what), std::move(unit), summarize(ours), {}, {}, {}, {}, {}};
    const double median = row.ours.median;
    row.met = row.ours.count > 0 && (bound == Bound::Below ? median < limit : median == limit);
    row.target = (bound == Bound::Below ? "< " : "= ") + number(limit);
    m_rows.push_back(std::move(row));
}

void Report::print(std::ostream &out) const
{
    const std::vector<std::string> heads{"measurement",
                                         "unit",
                                         "ours: median (min–max)",
                                         "floor",
                                         "floor: median (min–max)",
                                         "ratio",
                                         "target",
                                         "met"};
    std::vector<std::vector<std::string>> lines;
    for (const Row &row : m_rows) {
        lines.push_back({row.what, row.unit, shown(row.ours), row.floorName,
                         row.floorName.empty() ? "" : shown(*row.floor), row.ratio, row.target,
                         row.met ? (*row.met ? "yes" : "NO") : ""});
    }
    std::vector<size_t> widths;
    for (const std::string &head : heads)
        widths.push_back(shownWidth(head));
    for (const auto &line : lines) {
        for (size_t i = 0; i < line.size(); ++i)
            widths[i] = std::max(widths[i], shownWidth(line[i]));
    }
    auto printLine = [&](const std::vector<std::string> &line) {
        out << '|';
        for (size_t i = 0; i < line.size(); ++i)
            out << ' ' << cell(line[i], widths[i]) << " |";
        out << '\n';
    };
    printLine(heads);
    out << '|';
    for (const size_t width : widths)
        out << std::string(width + 2, '-') << '|';
    out << '\n';
    for (const auto &line : lines)
        printLine(line);
}

bool Report::allMet() const
{
    return std::all_of(m_rows.begin(), m_rows.end(),
                       [](const Row &row) { return !row.met || *row.met; });
}

} // namespace bench
