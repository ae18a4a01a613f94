// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>

namespace engine {

// The unit boxes by what they hold. Each number is the box's own in the main
// window (Text1 ... Text35, result slots Result1 ...): this is the one table
// that maps the window's names to the quantities, and the conversion steps,
// the rules and the tests speak of boxes through it.
namespace box {
// clang-format off
// Tension.
inline constexpr int kKgfPerCm              = 1;  // Text1: kilogram-force per centimetre
inline constexpr int kPoundPerInch          = 2;  // Text2: pound per inch
inline constexpr int kNewtonPerMm           = 3;  // Text3: newton per millimetre
// Thickness.
inline constexpr int kThicknessMil          = 4;  // Text4: mil
inline constexpr int kMicroinch             = 5;  // Text5: microinch
inline constexpr int kMicrometre            = 6;  // Text6: micrometre
inline constexpr int kCopperOunce           = 7;  // Text7: ounce of copper foil (35 um)
// Length.
inline constexpr int kMetre                 = 8;  // Text8: metre
inline constexpr int kMillimetre            = 9;  // Text9: millimetre
inline constexpr int kFoot                  = 10; // Text10: foot
inline constexpr int kInch                  = 11; // Text11: inch
inline constexpr int kLengthMil             = 12; // Text12: mil
// Area.
inline constexpr int kSquareFoot            = 13; // Text13: square foot
inline constexpr int kSquareInch            = 14; // Text14: square inch
inline constexpr int kSquareMetre           = 15; // Text15: square metre
inline constexpr int kSquareCentimetre      = 16; // Text16: square centimetre
// Current density.
inline constexpr int kAmpPerSquareFoot      = 17; // Text17: ampere per square foot (ASF)
inline constexpr int kAmpPerSquareDecimetre = 18; // Text18: ampere per square decimetre (ASD)
// Flow.
inline constexpr int kLitrePerMinute        = 19; // Text19: litre per minute
inline constexpr int kGallonPerMinute       = 20; // Text20: US gallon per minute
inline constexpr int kLitrePerHour          = 23; // Text23: litre per hour
// Pressure.
inline constexpr int kKgfPerSquareCm        = 21; // Text21: kilogram-force per square centimetre
inline constexpr int kPsi                   = 22; // Text22: pound per square inch
inline constexpr int kBar                   = 33; // Text33: bar
inline constexpr int kMegapascal            = 34; // Text34: megapascal
inline constexpr int kMmHg                  = 35; // Text35: millimetre of mercury
// Plating consumables: charge in (kA.h, gold in A.h), mass out (kg, gold in g).
inline constexpr int kCopperKAh             = 24; // Text24: copper charge
inline constexpr int kCopperKg              = 27; // Text27: copper anode
inline constexpr int kNickelKAh             = 25; // Text25: nickel charge
inline constexpr int kNickelKg              = 26; // Text26: nickel pellets
inline constexpr int kTinKAh                = 28; // Text28: tin charge
inline constexpr int kTinKg                 = 29; // Text29: tin bars (balls)
inline constexpr int kGoldAh                = 30; // Text30: gold charge
inline constexpr int kGoldG                 = 31; // Text31: pure gold
inline constexpr int kGoldSaltG             = 32; // Text32: gold salt (gold citrate, 52 % gold)
// clang-format on

inline constexpr int kCount = 35;
} // namespace box

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

// The most boxes one rule writes (a pressure box's four partners).
inline constexpr int kMostTargets = 4;

// Every step of the eight groups, grouped by source box in the order each
// box's rule runs them.
std::span<const Step> allSteps();

// The rule of one box: its steps in order; empty for a box with no rule.
std::span<const Step> rule(int source);

// The gold row computes both of its results before it shows either.
constexpr bool computesBeforeDisplaying(int source)
{
    return source == box::kGoldAh;
}

} // namespace engine
