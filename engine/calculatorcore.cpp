// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/calculatorcore.h"

#include <cfloat>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// Where float arithmetic is carried out in a wider format (x87), a result
// kept in a register would never overflow; storing it through a volatile
// rounds it to single precision before it is checked.
#if FLT_EVAL_METHOD == 0
using Single = float;
#else
using Single = volatile float;
#endif

using Operation = CalculatorCore::Operation;

// The four operations on singles. From finite operands, an overflow, an
// invalid operation (0 / 0) and a division by zero all end in inf or NaN;
// underflow and inexact results are not failures.
std::optional<float> singleResult(Operation op, float a, float b)
{
    Single r = 0.0f;
    switch (op) {
    case Operation::Add: r = a + b; break;
    case Operation::Subtract: r = a - b; break;
    case Operation::Multiply: r = a * b; break;
    case Operation::Divide: r = a / b; break;
    default: return std::nullopt;
    }
    const float value = r;
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

// Remainder and integer division on the operands rounded to 32-bit integers
// (halves to even), truncating toward zero. The one quotient that does not
// fit, INT32_MIN / -1, fails for the remainder as well: both are undefined
// in C++ and the pair is an overflow in either case.
std::optional<std::int32_t> integerResult(Operation op, float a, float b)
{
    const auto dividend = engine::singleToInt32(a);
    if (!dividend)
        return std::nullopt;
    const auto divisor = engine::singleToInt32(b);
    if (!divisor || *divisor == 0)
        return std::nullopt;
    if (*dividend == std::numeric_limits<std::int32_t>::min() && *divisor == -1)
        return std::nullopt;
    return op == Operation::Remainder ? *dividend % *divisor : *dividend / *divisor;
}

} // namespace

CalculatorCore::CalculatorCore(std::string decimalSeparator)
    : m_numbers(std::move(decimalSeparator))
{
}

void CalculatorCore::pressDigit(char digit)
{
    if (digit >= '0' && digit <= '9')
        m_display += digit;
}

void CalculatorCore::pressPoint()
{
    m_display += m_numbers.separator();
}

// Three independent steps: a display that is not a number keeps the old first
// operand, but the display is emptied and the code replaced all the same.
void CalculatorCore::pressOperator(Operation op)
{
    if (const auto value = m_numbers.toSingle(m_display))
        m_first = *value;
    m_display.clear();
    m_code = static_cast<std::int16_t>(op);
}

// Gives up at the first failure, leaving everything not yet written as it
// was; the second operand is stored before anything can fail after it.
void CalculatorCore::pressEquals()
{
    const auto value = m_numbers.toSingle(m_display);
    if (!value)
        return;
    m_second = *value;

    switch (m_code) {
    case static_cast<std::int16_t>(Operation::Add):
    case static_cast<std::int16_t>(Operation::Subtract):
    case static_cast<std::int16_t>(Operation::Multiply):
    case static_cast<std::int16_t>(Operation::Divide):
        if (const auto result = singleResult(static_cast<Operation>(m_code), m_first, m_second))
            m_display = m_numbers.format(*result, 6);
        break;
    case static_cast<std::int16_t>(Operation::Remainder):
    case static_cast<std::int16_t>(Operation::IntegerDivide):
        if (const auto result = integerResult(static_cast<Operation>(m_code), m_first, m_second))
            m_display = m_numbers.format(*result, 6);
        break;
    default:
        // Nothing pending.
        break;
    }
}
