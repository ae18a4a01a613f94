// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/unitboxes.h"

#include "engine/steps.h"

#include <cmath>

namespace engine {

namespace {

bool isBox(int box)
{
    return box >= 1 && box <= UnitBoxes::kBoxCount;
}

const std::string& emptyText()
{
    static const std::string empty;
    return empty;
}

// Runs a factor chain left to right. With a finite input and finite non-zero
// constants, the only floating-point exception a chain can raise among
// overflow, division by zero and invalid operation is overflow, and an
// overflow always leaves an infinity behind (multiplying or dividing an
// infinity by these constants keeps it one). So "the result is finite" is
// exactly "none of the three was raised"; underflow to zero is accepted.
std::optional<double> applyChain(double value, const std::array<Factor, 3>& chain)
{
    for (const Factor& f : chain) {
        if (f.operation == Operation::Multiply)
            value *= f.value;
        else if (f.operation == Operation::Divide)
            value /= f.value;
    }
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

UnitBoxes::UnitBoxes(std::string decimalSeparator)
    : m_numbers(std::move(decimalSeparator))
{
}

const std::string& UnitBoxes::text(int box) const
{
    return isBox(box) ? m_texts[static_cast<std::size_t>(box)] : emptyText();
}

void UnitBoxes::setText(int box, std::string text)
{
    if (isBox(box))
        m_texts[static_cast<std::size_t>(box)] = std::move(text);
}

const std::string& UnitBoxes::slot(int box) const
{
    return isBox(box) ? m_slots[static_cast<std::size_t>(box)] : emptyText();
}

void UnitBoxes::clear()
{
    for (std::string& t : m_texts)
        t.clear();
}

ChangedBoxes UnitBoxes::keyUp(int box)
{
    ChangedBoxes changed;
    if (!isBox(box))
        return changed;
    const std::span<const Step> steps = rule(box);
    if (steps.empty())
        return changed;

    // Every step reads the source text again; it cannot change while the
    // rule runs, so one reading serves them all.
    const std::optional<double> input = m_numbers.toDouble(m_texts[static_cast<std::size_t>(box)]);

    // Compute half: a failure (no number, or an overflow in the chain)
    // leaves the slot as it was.
    const auto compute = [&](const Step& step) {
        if (!input)
            return;
        const std::optional<double> product = applyChain(*input, step.chain);
        if (!product)
            return;
        const auto t = static_cast<std::size_t>(step.target);
        m_slotDigits[t] = DecimalDigits::of(*product);
        m_slots[t] = m_numbers.text(m_slotDigits[t]);
    };
    // Display half: runs whatever the compute half did, and shows the slot
    // (empty when no step has ever written it).
    const auto display = [&](const Step& step) {
        const auto t = static_cast<std::size_t>(step.target);
        m_texts[t] = m_slots[t].empty() ? std::string() : m_numbers.format(m_slotDigits[t], step.decimals);
        changed.boxes[static_cast<std::size_t>(changed.count++)] = step.target;
    };

    if (computesBeforeDisplaying(box)) {
        for (const Step& step : steps)
            compute(step);
        for (const Step& step : steps)
            display(step);
    } else {
        for (const Step& step : steps) {
            compute(step);
            display(step);
        }
    }
    return changed;
}

} // namespace engine
