// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target over the engine: number text in both directions and the
// conversion rules, fed arbitrary bytes. Besides crashes and sanitizer
// reports it checks that every box a rule writes holds either nothing or a
// well-formed pattern result.
#include "engine/steps.h"
#include "engine/unitboxes.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// "-"? digits separator digits{0,decimals}, no exponent, no group separators,
// no trailing zeros after the separator, no "-0.".
bool wellFormedPattern(const std::string& text, const std::string& separator, int decimals)
{
    if (text.empty())
        return true;
    std::size_t i = 0;
    if (text[i] == '-')
        ++i;
    const std::size_t intBegin = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i == intBegin || text.compare(i, separator.size(), separator) != 0)
        return false;
    if (i - intBegin > 1 && text[intBegin] == '0')
        return false;
    i += separator.size();
    const std::size_t fracBegin = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    const std::size_t fracLength = i - fracBegin;
    if (i != text.size() || fracLength > static_cast<std::size_t>(decimals))
        return false;
    if (fracLength > 0 && text.back() == '0')
        return false;
    if (text[0] == '-' && text.find_first_not_of("-0" + separator) == std::string::npos)
        return false;
    return true;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // First byte: which separator and which box; the rest: the typed text.
    const std::uint8_t selector = data[0];
    const std::string separator = (selector & 0x80) ? "," : ".";
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    const engine::NumberText numbers(separator);
    if (const auto value = numbers.toDouble(text)) {
        // What reads as a number writes back as text that reads again.
        const std::string written = numbers.fromDouble(*value);
        const auto again = numbers.toDouble(written);
        check(again.has_value());
        check(numbers.fromDouble(*again) == written);
        check(wellFormedPattern(numbers.format(*value, 5), separator, 5));
    }
    if (const auto single = numbers.toSingle(text)) {
        check(wellFormedPattern(numbers.format(*single, 6), separator, 6));
        if (const auto integer = engine::singleToInt32(*single))
            check(wellFormedPattern(numbers.format(*integer, 6), separator, 6));
    }
    check(wellFormedPattern(numbers.format(text, 5), separator, 5));

    engine::UnitBoxes boxes(separator);
    const int box = (selector & 0x7f) % 40 - 2; // a few numbers outside 1..35 too
    boxes.setText(box, std::string(text));
    for (int round = 0; round < 2; ++round) {
        for (int changed : boxes.keyUp(box)) {
            int decimals = 5;
            for (const engine::Step& step : engine::rule(box))
                if (step.target == changed)
                    decimals = step.decimals;
            check(wellFormedPattern(boxes.text(changed), separator, decimals));
        }
    }
    return 0;
}
