// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/numbertext.h"
#include "engine/steps.h"

#include <array>
#include <string>

namespace engine {

// The boxes a rule wrote, in the order it wrote them.
struct ChangedBoxes {
    std::array<int, kMostTargets> boxes{};
    int count = 0;

    const int* begin() const { return boxes.data(); }
    const int* end() const { return boxes.data() + count; }
    bool empty() const { return count == 0; }
};

// The 35 unit boxes' texts and the 31 result slots of the main window.
// Box numbers are those of the window (box 21 is Text21, its slot Result21).
// Every function accepts any int: an unknown box is ignored and reads empty.
class UnitBoxes {
public:
    static constexpr int kBoxCount = box::kCount;

    explicit UnitBoxes(std::string decimalSeparator = ".");

    const std::string& text(int box) const;
    // A user edit: stores the text and runs nothing.
    void setText(int box, std::string text);
    // A key release in the box: runs its conversion rule, if it has one, and
    // returns the partner boxes whose text the rule rewrote.
    ChangedBoxes keyUp(int box);
    // Empties all 35 boxes; the result slots keep their values.
    void clear();
    // ResultN: empty when never written, or when box N has no slot.
    const std::string& slot(int box) const;

    const NumberText& numberText() const { return m_numbers; }

private:
    NumberText m_numbers;
    std::array<std::string, kBoxCount + 1> m_texts;
    std::array<std::string, kBoxCount + 1> m_slots;
    // Each written slot's number as digits, kept beside its text so showing it
    // doesn't read the text back.
    std::array<DecimalDigits, kBoxCount + 1> m_slotDigits;
};

} // namespace engine
