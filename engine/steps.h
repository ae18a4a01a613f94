// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>

namespace engine {

enum class Operation : unsigned char { None, Multiply, Divide };

struct Factor {
    Operation operation = Operation::None;
    double value = 0;
};

constexpr Factor times(double value)
{
    return {Operation::Multiply, value};
}
constexpr Factor over(double value)
{
    return {Operation::Divide, value};
}

// One conversion step: the source box's number, run through the factor chain
// left to right (one double operation per factor, in the order written: the
// order fixes the last bits of the product), lands in the target box's slot
// and is shown with `decimals` decimals.
struct Step {
    int source = 0;
    int target = 0;
    std::array<Factor, 3> chain{};
    int decimals = 5;
};

// Every step of the eight groups, grouped by source box in the order each
// box's rule runs them.
std::span<const Step> allSteps();

// The rule of one box: its steps in order; empty for a box with no rule.
std::span<const Step> rule(int source);

// The gold row computes both of its results before it shows either.
constexpr bool computesBeforeDisplaying(int source)
{
    return source == 30;
}

} // namespace engine
