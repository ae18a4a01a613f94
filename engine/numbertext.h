// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The engine layer: everything Zelvan computes, free of any window toolkit.
// NumberText reads numbers from what the user typed and writes them back as
// text; Steps holds the conversion tables of all eight groups; UnitBoxes runs
// a box's conversion rule on a key release and keeps the result slots.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// A finite number as its leading significant decimal digits: the value is
// digits[0].digits[1]digits[2]... x 10^exponent, without trailing zeros.
// No digits at all is zero.
struct DecimalDigits {
    bool negative = false;
    int count = 0;
    int exponent = 0;
    std::array<char, 16> digits{};

    static DecimalDigits of(double value); // 15 significant digits
    static DecimalDigits of(float value); // 7 significant digits
    static DecimalDigits of(std::int32_t value); // exact
};

// Text <-> number with one decimal separator, fixed at construction (the
// user locale's, handed in by the window; never read from a global).
//
// Accepted number text: blanks around, an optional sign, digits with the
// separator ("3." and ".5" included), an optional exponent ("1e3").
// Full-width forms from Chinese input methods ("１２．５", "－３", the
// ideographic space) read as their ASCII counterparts.
class NumberText {
public:
    explicit NumberText(std::string decimalSeparator = ".");

    const std::string& separator() const { return m_separator; }

    // Fails on empty text, blanks only, a lone sign or separator, two
    // separators, any other text and a magnitude beyond the range. A value
    // too small for the type reads as zero.
    std::optional<double> toDouble(std::string_view text) const;
    std::optional<float> toSingle(std::string_view text) const;

    // At most 15 significant digits, exponent form for very large or very
    // small magnitudes; always reads back through toDouble().
    std::string fromDouble(double value) const;

    // The pattern "0.#####" (decimals = 5) or "0.######" (decimals = 6):
    // rounded half away from zero on the value's decimal form (15 digits for
    // a double or a text, 7 for a single, exact for an integer), the
    // separator always written, trailing zeros dropped, never exponent form.
    // Empty or non-numeric text gives empty text.
    std::string format(std::string_view text, int decimals) const;
    std::string format(double value, int decimals) const;
    std::string format(float value, int decimals) const;
    std::string format(std::int32_t value, int decimals) const;

    // The two halves of fromDouble() and format(), for callers that keep a
    // number's digits beside its text (the result slots).
    std::string text(const DecimalDigits& number) const;
    std::string format(const DecimalDigits& number, int decimals) const;

private:
    std::string m_separator;
};

// Nearest 32-bit integer, halves to the even neighbour; fails outside
// -2147483648 .. 2147483647 (and on NaN).
std::optional<std::int32_t> singleToInt32(float value);

} // namespace engine
