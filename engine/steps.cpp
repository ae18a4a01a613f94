// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/steps.h"

#include <algorithm>

namespace engine {

namespace {

// Constants are the program's own short decimals (0.102041, 3.785324,
// 735.499 ...), not more exact physical values: users compare against sheets
// made with them.
constexpr Step kSteps[] = {
    // Tension: kgf/cm (1), pound/inch (2), N/mm (3).
    {1, 2, {times(2.54), times(2.205)}},
    {1, 3, {times(9.807), over(10)}},
    {2, 1, {times(0.393701), times(0.453515)}},
    {2, 3, {times(0.393701), times(0.453515), times(0.9807)}},
    {3, 1, {times(10), times(0.102041)}},
    {3, 2, {times(0.102041), times(25.4), times(2.205)}},

    // Thickness: um (6), microinch (5), mil (4), copper-foil ounce (7, 35 um).
    {6, 5, {times(39.37)}},
    {6, 4, {times(0.03937)}},
    {6, 7, {times(0.028571)}},
    {5, 4, {over(1000)}},
    {5, 6, {times(0.0254)}},
    {5, 7, {times(0.028571), times(0.0254)}},
    {4, 6, {times(25.4)}},
    {4, 5, {times(1000)}},
    {4, 7, {times(0.028571), times(25.4)}},
    {7, 4, {times(0.03937), times(35)}},
    {7, 5, {times(39.37), times(35)}},
    {7, 6, {times(35)}},

    // Length: m (8), mm (9), ft (10), inch (11), mil (12).
    {8, 9, {times(1000)}},
    {8, 10, {times(1000), times(0.003281)}},
    {8, 11, {times(1000), times(0.03937)}},
    {8, 12, {times(1000), times(0.03937), times(1000)}},
    {9, 8, {over(1000)}},
    {9, 10, {times(0.003281)}},
    {9, 11, {times(0.03937)}},
    {9, 12, {times(0.03937), times(1000)}},
    {10, 8, {over(1000), times(304.8)}},
    {10, 9, {times(304.8)}},
    {10, 11, {times(12)}},
    {10, 12, {times(12000)}},
    {11, 8, {times(25.4), over(1000)}},
    {11, 9, {times(25.4)}},
    {11, 10, {times(0.0833333)}},
    {11, 12, {times(1000)}},
    {12, 8, {times(25.4), over(1000000)}},
    {12, 9, {times(25.4), over(1000)}},
    {12, 10, {over(1000), times(0.0833333)}},
    {12, 11, {over(1000)}},

    // Area: square ft (13), square inch (14), square m (15), square cm (16).
    {13, 14, {times(144)}},
    {13, 15, {times(0.3048), times(0.3048)}},
    {13, 16, {times(0.3048), times(0.3048), times(10000)}},
    {14, 13, {times(0.0069444)}},
    {14, 15, {times(0.00064516)}},
    {14, 16, {times(0.00064516), times(10000)}},
    {15, 13, {times(10.76391)}},
    {15, 14, {times(10.76391), times(144)}},
    {15, 16, {times(10000)}},
    {16, 13, {times(0.00107639)}},
    {16, 14, {times(0.155)}},
    {16, 15, {over(10000)}},

    // Current density: ASF (17), ASD (18). The way back multiplies by its own
    // constant rather than dividing by the way there.
    {17, 18, {times(0.107639)}},
    {18, 17, {times(9.290313)}},

    // Flow: LPM (19) is the hub, GPM (20), LPH (23); 3.785324 litres per gallon.
    {19, 20, {over(3.785324)}},
    {19, 23, {times(60)}},
    {20, 19, {times(3.785324)}},
    {20, 23, {times(3.785324), times(60)}},
    {23, 19, {over(60)}},
    {23, 20, {over(60), over(3.785324)}, 6}, // the one step shown to six decimals

    // Pressure: kgf/cm2 (21) is the hub, PSI (22), bar (33), MPa (34), mmHg (35);
    // bar and MPa convert into each other directly.
    {21, 22, {times(14.2233)}},
    {21, 33, {times(0.981)}},
    {21, 34, {times(0.0981)}},
    {21, 35, {times(735.499)}},
    {22, 21, {times(0.070307)}},
    {22, 33, {times(0.070307), times(0.981)}},
    {22, 34, {times(0.070307), times(0.0981)}},
    {22, 35, {times(0.070307), times(735.499)}},
    {33, 21, {over(0.981)}},
    {33, 22, {over(0.981), times(14.2233)}},
    {33, 34, {times(0.1)}},
    {33, 35, {over(0.981), times(735.499)}},
    {34, 21, {over(0.0981)}},
    {34, 22, {over(0.0981), times(14.2233)}},
    {34, 33, {times(10)}},
    {34, 35, {over(0.0981), times(735.499)}},
    {35, 21, {over(735.499)}},
    {35, 22, {over(735.499), times(14.2233)}},
    {35, 33, {over(735.499), times(0.981)}},
    {35, 34, {over(735.499), times(0.0981)}},

    // Plating consumables, one way: kA.h of copper (24), nickel (25), tin (28)
    // to kg; A.h of gold (30) to g of gold (31) and of gold salt at 52 % gold (32).
    {24, 27, {times(1.186)}},
    {25, 26, {times(1.095)}},
    {28, 29, {times(2.2133)}},
    {30, 31, {times(2.4506)}},
    {30, 32, {times(2.4506), over(0.52)}},
};

constexpr bool groupedBySource()
{
    for (std::size_t i = 0; i < std::size(kSteps); ++i)
        for (std::size_t j = i + 2; j < std::size(kSteps); ++j)
            if (kSteps[j].source == kSteps[i].source && kSteps[j - 1].source != kSteps[i].source)
                return false;
    return true;
}
static_assert(groupedBySource(), "a box's steps must stand together");
static_assert(std::size(kSteps) == 83);

} // namespace

std::span<const Step> allSteps()
{
    return kSteps;
}

std::span<const Step> rule(int source)
{
    const Step* first =
        std::find_if(std::begin(kSteps), std::end(kSteps), [source](const Step& s) { return s.source == source; });
    const Step* last = std::find_if(first, std::end(kSteps), [source](const Step& s) { return s.source != source; });
    return {first, last};
}

} // namespace engine
