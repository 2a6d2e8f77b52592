// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace bench {

struct Summary
{
    double median = 0;
    double min = 0;
    double max = 0;
    size_t count = 0;
};

Summary summarize(std::vector<double> values);

// The final table: one row per comparison, ours beside its floor measured in the same run.
class Report
{
public:
    // A ratio against a floor; the target holds when ours / floor <= maxRatio (none: shown only).
    void compare(std::string what, std::string unit, const std::vector<double> &ours,
                 std::string floorName, const std::vector<double> &floor,
                 std::optional<double> maxRatio);
    enum class Bound
    {
        Below,
        Exactly,
    };
    // A figure with a limit of its own, which the median must keep.
    void absolute(std::string what, std::string unit, const std::vector<double> &ours, Bound bound,
                  double limit);

    void print(std::ostream &out) const;
    bool allMet() const;

private:
    struct Row
    {
        std::string what;
        std::string unit;
        Summary ours;
        std::string floorName;
        std::optional<Summary> floor;
        std::string target;
        std::optional<bool> met;
        std::string ratio;
    };
    std::vector<Row> m_rows;
};

} // namespace bench
