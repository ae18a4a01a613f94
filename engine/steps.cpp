// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/steps.h"

#include <algorithm>

namespace engine {

namespace {

using namespace box;

// Constants are the program's own short decimals (0.102041, 3.785324,
// 735.499 ...), not more exact physical values: users compare against sheets
// made with them.
constexpr Step kSteps[] = {
    // Tension: kgf/cm (1), pound/inch (2), N/mm (3).
    {kKgfPerCm, kPoundPerInch, {times(2.54), times(2.205)}},
    {kKgfPerCm, kNewtonPerMm, {times(9.807), over(10)}},
    {kPoundPerInch, kKgfPerCm, {times(0.393701), times(0.453515)}},
    {kPoundPerInch, kNewtonPerMm, {times(0.393701), times(0.453515), times(0.9807)}},
    {kNewtonPerMm, kKgfPerCm, {times(10), times(0.102041)}},
    {kNewtonPerMm, kPoundPerInch, {times(0.102041), times(25.4), times(2.205)}},

    // Thickness: um (6), microinch (5), mil (4), copper-foil ounce (7, 35 um).
    {kMicrometre, kMicroinch, {times(39.37)}},
    {kMicrometre, kThicknessMil, {times(0.03937)}},
    {kMicrometre, kCopperOunce, {times(0.028571)}},
    {kMicroinch, kThicknessMil, {over(1000)}},
    {kMicroinch, kMicrometre, {times(0.0254)}},
    {kMicroinch, kCopperOunce, {times(0.028571), times(0.0254)}},
    {kThicknessMil, kMicrometre, {times(25.4)}},
    {kThicknessMil, kMicroinch, {times(1000)}},
    {kThicknessMil, kCopperOunce, {times(0.028571), times(25.4)}},
    {kCopperOunce, kThicknessMil, {times(0.03937), times(35)}},
    {kCopperOunce, kMicroinch, {times(39.37), times(35)}},
    {kCopperOunce, kMicrometre, {times(35)}},

    // Length: m (8), mm (9), ft (10), inch (11), mil (12).
    {kMetre, kMillimetre, {times(1000)}},
    {kMetre, kFoot, {times(1000), times(0.003281)}},
    {kMetre, kInch, {times(1000), times(0.03937)}},
    {kMetre, kLengthMil, {times(1000), times(0.03937), times(1000)}},
    {kMillimetre, kMetre, {over(1000)}},
    {kMillimetre, kFoot, {times(0.003281)}},
    {kMillimetre, kInch, {times(0.03937)}},
    {kMillimetre, kLengthMil, {times(0.03937), times(1000)}},
    {kFoot, kMetre, {over(1000), times(304.8)}},
    {kFoot, kMillimetre, {times(304.8)}},
    {kFoot, kInch, {times(12)}},
    {kFoot, kLengthMil, {times(12000)}},
    {kInch, kMetre, {times(25.4), over(1000)}},
    {kInch, kMillimetre, {times(25.4)}},
    {kInch, kFoot, {times(0.0833333)}},
    {kInch, kLengthMil, {times(1000)}},
    {kLengthMil, kMetre, {times(25.4), over(1000000)}},
    {kLengthMil, kMillimetre, {times(25.4), over(1000)}},
    {kLengthMil, kFoot, {over(1000), times(0.0833333)}},
    {kLengthMil, kInch, {over(1000)}},

    // Area: square ft (13), square inch (14), square m (15), square cm (16).
    {kSquareFoot, kSquareInch, {times(144)}},
    {kSquareFoot, kSquareMetre, {times(0.3048), times(0.3048)}},
    {kSquareFoot, kSquareCentimetre, {times(0.3048), times(0.3048), times(10000)}},
    {kSquareInch, kSquareFoot, {times(0.0069444)}},
    {kSquareInch, kSquareMetre, {times(0.00064516)}},
    {kSquareInch, kSquareCentimetre, {times(0.00064516), times(10000)}},
    {kSquareMetre, kSquareFoot, {times(10.76391)}},
    {kSquareMetre, kSquareInch, {times(10.76391), times(144)}},
    {kSquareMetre, kSquareCentimetre, {times(10000)}},
    {kSquareCentimetre, kSquareFoot, {times(0.00107639)}},
    {kSquareCentimetre, kSquareInch, {times(0.155)}},
    {kSquareCentimetre, kSquareMetre, {over(10000)}},

    // Current density: ASF (17), ASD (18). The way back multiplies by its own
    // constant rather than dividing by the way there.
    {kAmpPerSquareFoot, kAmpPerSquareDecimetre, {times(0.107639)}},
    {kAmpPerSquareDecimetre, kAmpPerSquareFoot, {times(9.290313)}},

    // Flow: LPM (19) is the hub, GPM (20), LPH (23); 3.785324 litres per gallon.
    {kLitrePerMinute, kGallonPerMinute, {over(3.785324)}},
    {kLitrePerMinute, kLitrePerHour, {times(60)}},
    {kGallonPerMinute, kLitrePerMinute, {times(3.785324)}},
    {kGallonPerMinute, kLitrePerHour, {times(3.785324), times(60)}},
    {kLitrePerHour, kLitrePerMinute, {over(60)}},
    {kLitrePerHour, kGallonPerMinute, {over(60), over(3.785324)}, 6}, // the one step shown to six decimals

    // Pressure: kgf/cm2 (21) is the hub, PSI (22), bar (33), MPa (34), mmHg (35);
    // bar and MPa convert into each other directly.
    {kKgfPerSquareCm, kPsi, {times(14.2233)}},
    {kKgfPerSquareCm, kBar, {times(0.981)}},
    {kKgfPerSquareCm, kMegapascal, {times(0.0981)}},
    {kKgfPerSquareCm, kMmHg, {times(735.499)}},
    {kPsi, kKgfPerSquareCm, {times(0.070307)}},
    {kPsi, kBar, {times(0.070307), times(0.981)}},
    {kPsi, kMegapascal, {times(0.070307), times(0.0981)}},
    {kPsi, kMmHg, {times(0.070307), times(735.499)}},
    {kBar, kKgfPerSquareCm, {over(0.981)}},
    {kBar, kPsi, {over(0.981), times(14.2233)}},
    {kBar, kMegapascal, {times(0.1)}},
    {kBar, kMmHg, {over(0.981), times(735.499)}},
    {kMegapascal, kKgfPerSquareCm, {over(0.0981)}},
    {kMegapascal, kPsi, {over(0.0981), times(14.2233)}},
    {kMegapascal, kBar, {times(10)}},
    {kMegapascal, kMmHg, {over(0.0981), times(735.499)}},
    {kMmHg, kKgfPerSquareCm, {over(735.499)}},
    {kMmHg, kPsi, {over(735.499), times(14.2233)}},
    {kMmHg, kBar, {over(735.499), times(0.981)}},
    {kMmHg, kMegapascal, {over(735.499), times(0.0981)}},

    // Plating consumables, one way: kA.h of copper (24), nickel (25), tin (28)
    // to kg; A.h of gold (30) to g of gold (31) and of gold salt at 52 % gold (32).
    {kCopperKAh, kCopperKg, {times(1.186)}},
    {kNickelKAh, kNickelKg, {times(1.095)}},
    {kTinKAh, kTinKg, {times(2.2133)}},
    {kGoldAh, kGoldG, {times(2.4506)}},
    {kGoldAh, kGoldSaltG, {times(2.4506), over(0.52)}},
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

// Every source and target is a box of the window, so the window and the
// engine index their box arrays with them unchecked.
constexpr bool boxesInRange()
{
    return std::all_of(std::begin(kSteps), std::end(kSteps), [](const Step& s) {
        return s.source >= 1 && s.source <= kCount && s.target >= 1 && s.target <= kCount;
    });
}
static_assert(boxesInRange(), "a step names a box the window does not have");

// No rule writes more boxes than a key release can report (ChangedBoxes).
constexpr bool rulesFitTheirReport()
{
    for (const Step& s : kSteps)
        if (std::count_if(std::begin(kSteps), std::end(kSteps), [&s](const Step& t) { return t.source == s.source; })
            > kMostTargets)
            return false;
    return true;
}
static_assert(rulesFitTheirReport(), "a rule writes more boxes than a key release reports");
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
