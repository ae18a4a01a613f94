// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pocket calculator's arithmetic and state, free of any window toolkit.
// Its window (Form3, ui/calculator) is a thin adapter that hands button
// clicks and the user's typing to the core and shows the core's display.

#include "engine/numbertext.h"

#include <cstdint>
#include <string>
#include <utility>

// One display line and three stored values: the pending operation code and
// the two single-precision operands. There is no precedence and no chaining:
// an operator stores the display as the first operand and empties it, and
// "=" combines the first operand with whatever the display holds.
// Nothing ever fails loudly; a step that cannot be done leaves things as
// they were.
class CalculatorCore {
public:
    enum class Operation { Add = 1, Subtract, Multiply, Divide, Remainder, IntegerDivide };

    explicit CalculatorCore(std::string decimalSeparator = ".");

    const std::string& display() const { return m_display; }
    void setDisplay(std::string text) { m_display = std::move(text); }

    // Appended at the end with no checks: "0" "5" is "05", a second point
    // is a second point.
    void pressDigit(char digit);
    // Appends the locale's decimal separator, so that what the point button
    // writes is what the display is read with.
    void pressPoint();
    void pressOperator(Operation op);
    void pressClearEntry() { m_display.clear(); }
    // Repeats the pending operation with the same first operand, the shown
    // result becoming the new second operand.
    void pressEquals();

    // The window's controls start afresh (display empty) while the pending
    // code and both operands keep their values.
    void resetDisplay() { m_display.clear(); }

    std::int16_t pendingCode() const { return m_code; }
    float firstOperand() const { return m_first; }
    float secondOperand() const { return m_second; }

private:
    engine::NumberText m_numbers;
    std::string m_display;
    std::int16_t m_code = 0;
    float m_first = 0.0f;
    float m_second = 0.0f;
};
