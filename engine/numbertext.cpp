// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/numbertext.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace engine {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Rewrites the full-width forms a Chinese input method produces (digits, signs,
// point, comma, exponent letter, the ideographic space) and the minus sign as
// their ASCII counterparts. Everything else passes through byte for byte.
std::string narrowed(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(text[i]);
        if (i + 2 < text.size()) {
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            const auto b2 = static_cast<unsigned char>(text[i + 2]);
            char ascii = 0;
            if (b0 == 0xEF && b1 == 0xBC) { // U+FF00 .. U+FF3F
                if (b2 >= 0x90 && b2 <= 0x99)
                    ascii = static_cast<char>('0' + (b2 - 0x90));
                else if (b2 == 0x8B)
                    ascii = '+';
                else if (b2 == 0x8D)
                    ascii = '-';
                else if (b2 == 0x8E)
                    ascii = '.';
                else if (b2 == 0x8C)
                    ascii = ',';
                else if (b2 == 0xA5)
                    ascii = 'E';
            } else if (b0 == 0xEF && b1 == 0xBD && b2 == 0x85) { // U+FF45
                ascii = 'e';
            } else if (b0 == 0xE3 && b1 == 0x80 && b2 == 0x80) { // U+3000
                ascii = ' ';
            } else if (b0 == 0xE2 && b1 == 0x88 && b2 == 0x92) { // U+2212
                ascii = '-';
            }
            if (ascii != 0) {
                out.push_back(ascii);
                i += 2;
                continue;
            }
        }
        out.push_back(static_cast<char>(b0));
    }
    return out;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The number text grammar, after narrowing:
//   blanks* [+|-] digits* [sep digits*] [(e|E) [+|-] digits+] blanks*
// with at least one mantissa digit. On success `ascii` holds the number in
// the form std::from_chars reads, and `magnitude` the decimal exponent of its
// leading digit (saturated), used to tell underflow from overflow.
bool scan(std::string_view s, std::string_view sep, std::string& ascii, long long& magnitude, bool& isZero)
{
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n && isBlank(s[i]))
        ++i;

    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }

    const std::size_t intBegin = i;
    while (i < n && isDigit(s[i]))
        ++i;
    const std::string_view intDigits = s.substr(intBegin, i - intBegin);

    std::string_view fracDigits;
    if (!sep.empty() && s.substr(i, sep.size()) == sep) {
        i += sep.size();
        const std::size_t fracBegin = i;
        while (i < n && isDigit(s[i]))
            ++i;
        fracDigits = s.substr(fracBegin, i - fracBegin);
    }
    if (intDigits.empty() && fracDigits.empty())
        return false;

    std::string_view expDigits;
    bool expNegative = false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) {
            expNegative = s[i] == '-';
            ++i;
        }
        const std::size_t expBegin = i;
        while (i < n && isDigit(s[i]))
            ++i;
        expDigits = s.substr(expBegin, i - expBegin);
        if (expDigits.empty())
            return false;
    }

    while (i < n && isBlank(s[i]))
        ++i;
    if (i != n)
        return false;

    ascii.clear();
    ascii.reserve(intDigits.size() + fracDigits.size() + expDigits.size() + 4);
    if (negative)
        ascii.push_back('-');
    ascii.append(intDigits.empty() ? std::string_view("0") : intDigits);
    if (!fracDigits.empty()) {
        ascii.push_back('.');
        ascii.append(fracDigits);
    }
    if (!expDigits.empty()) {
        ascii.push_back('e');
        if (expNegative)
            ascii.push_back('-');
        ascii.append(expDigits);
    }

    // Where the leading non-zero digit stands, for the out-of-range case.
    long long lead = 0;
    isZero = true;
    const std::size_t firstInt = intDigits.find_first_not_of('0');
    if (firstInt != std::string_view::npos) {
        lead = static_cast<long long>(intDigits.size() - firstInt) - 1;
        isZero = false;
    } else {
        const std::size_t firstFrac = fracDigits.find_first_not_of('0');
        if (firstFrac != std::string_view::npos) {
            lead = -static_cast<long long>(firstFrac) - 1;
            isZero = false;
        }
    }
    long long exponent = 0;
    for (char c : expDigits) {
        exponent = exponent * 10 + (c - '0');
        if (exponent > 1'000'000'000LL)
            break; // far beyond any floating range either way
    }
    magnitude = lead + (expNegative ? -exponent : exponent);
    return true;
}

template <typename Float> std::optional<Float> readNumber(std::string_view text, std::string_view sep)
{
    const std::string s = narrowed(text);
    std::string ascii;
    long long magnitude = 0;
    bool isZero = true;
    if (!scan(s, sep, ascii, magnitude, isZero))
        return std::nullopt;

    Float value{};
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small for the type reads as zero; too large fails.
        if (!isZero && magnitude < 0)
            return ascii.front() == '-' ? -Float(0) : Float(0);
        return std::nullopt;
    }
    if (ec != std::errc() || ptr != ascii.data() + ascii.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Scientific text from std::to_chars ("-d.ddde+XX") as digits and exponent.
DecimalDigits fromScientific(const char* begin, const char* end)
{
    DecimalDigits d;
    const char* p = begin;
    if (p < end && *p == '-') {
        d.negative = true;
        ++p;
    }
    for (; p < end && *p != 'e'; ++p) {
        if (isDigit(*p) && d.count < static_cast<int>(d.digits.size()))
            d.digits[static_cast<std::size_t>(d.count++)] = *p;
    }
    if (p < end && *p == 'e') {
        ++p;
        const bool negative = p < end && *p == '-';
        if (p < end && (*p == '-' || *p == '+'))
            ++p;
        for (; p < end; ++p)
            d.exponent = d.exponent * 10 + (*p - '0');
        if (negative)
            d.exponent = -d.exponent;
    }
    while (d.count > 0 && d.digits[static_cast<std::size_t>(d.count - 1)] == '0')
        --d.count;
    if (d.count == 0)
        d = DecimalDigits{};
    return d;
}

// Writes into a string sized once up front: these run four times per key
// release, and growing the string a character at a time showed in profiles.
// Every write is checked against the string's size: should a caller's
// estimate ever fall short, the string grows (one allocation) rather than
// anything being written past its end.
class TextWriter {
public:
    explicit TextWriter(std::size_t capacity) { m_text.resize(capacity); }
    void put(char c) { *room(1) = c; }
    void put(std::string_view s) { std::copy(s.begin(), s.end(), room(s.size())); }
    void put(std::size_t count, char c) { std::fill_n(room(count), count, c); }
    std::string finish()
    {
        m_text.resize(m_length);
        return std::move(m_text);
    }

private:
    // Where the next `count` characters go, inside the string.
    char* room(std::size_t count)
    {
        if (count > m_text.size() - m_length)
            m_text.resize(std::max(2 * m_text.size(), m_length + count));
        char* at = m_text.data() + m_length;
        m_length += count;
        return at;
    }

    std::string m_text;
    std::size_t m_length = 0;
};

} // namespace

DecimalDigits DecimalDigits::of(double value)
{
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14);
    DecimalDigits d = fromScientific(buf, r.ptr);
    // Just below the largest double, rounding to 15 digits goes past it
    // (1.79769313486232E+308) and the text would no longer read back: there
    // the last digit is cut instead of rounded.
    double back = 0;
    if (d.exponent == 308 && std::from_chars(buf, r.ptr, back).ec == std::errc::result_out_of_range) {
        int i = d.count - 1;
        while (i > 0 && d.digits[static_cast<std::size_t>(i)] == '0')
            d.digits[static_cast<std::size_t>(i--)] = '9';
        --d.digits[static_cast<std::size_t>(i)];
        while (d.count > 0 && d.digits[static_cast<std::size_t>(d.count - 1)] == '0')
            --d.count;
    }
    return d;
}

DecimalDigits DecimalDigits::of(float value)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 6);
    return fromScientific(buf, r.ptr);
}

DecimalDigits DecimalDigits::of(std::int32_t value)
{
    DecimalDigits d;
    if (value == 0)
        return d;
    d.negative = value < 0;
    char buf[16];
    // Through int64 so that -2147483648 has a magnitude.
    const long long magnitude = value < 0 ? -static_cast<long long>(value) : value;
    const auto r = std::to_chars(buf, buf + sizeof buf, magnitude);
    const int length = static_cast<int>(r.ptr - buf);
    d.exponent = length - 1;
    for (int i = 0; i < length; ++i)
        d.digits[static_cast<std::size_t>(i)] = buf[i];
    d.count = length;
    while (d.count > 0 && d.digits[static_cast<std::size_t>(d.count - 1)] == '0')
        --d.count;
    return d;
}

NumberText::NumberText(std::string decimalSeparator)
    : m_separator(decimalSeparator.empty() ? std::string(".") : std::move(decimalSeparator))
{
}

std::optional<double> NumberText::toDouble(std::string_view text) const
{
    return readNumber<double>(text, m_separator);
}

std::optional<float> NumberText::toSingle(std::string_view text) const
{
    return readNumber<float>(text, m_separator);
}

std::string NumberText::fromDouble(double value) const
{
    return text(DecimalDigits::of(value));
}

std::string NumberText::text(const DecimalDigits& number) const
{
    if (number.count == 0)
        return "0";
    // Sign, 15 digits, separator, and either "E+308" or up to 14 zeros.
    TextWriter out(40 + m_separator.size());
    if (number.negative)
        out.put('-');
    const auto digit = [&](int i) { return i < number.count ? number.digits[static_cast<std::size_t>(i)] : '0'; };
    const int e = number.exponent;
    if (e < -4 || e >= 15) {
        // Exponent form, as "1.5E-07" or "1E+16".
        out.put(digit(0));
        if (number.count > 1) {
            out.put(m_separator);
            for (int i = 1; i < number.count; ++i)
                out.put(digit(i));
        }
        out.put('E');
        out.put(e < 0 ? '-' : '+');
        const int magnitude = e < 0 ? -e : e;
        if (magnitude >= 100)
            out.put(static_cast<char>('0' + magnitude / 100));
        out.put(static_cast<char>('0' + magnitude / 10 % 10));
        out.put(static_cast<char>('0' + magnitude % 10));
        return out.finish();
    }
    if (e < 0) {
        out.put('0');
        out.put(m_separator);
        out.put(static_cast<std::size_t>(-e - 1), '0');
        for (int i = 0; i < number.count; ++i)
            out.put(digit(i));
        return out.finish();
    }
    for (int i = 0; i <= e; ++i)
        out.put(digit(i));
    if (number.count > e + 1) {
        out.put(m_separator);
        for (int i = e + 1; i < number.count; ++i)
            out.put(digit(i));
    }
    return out.finish();
}

std::string NumberText::format(const DecimalDigits& number, int decimals) const
{
    // Round half away from zero on the decimal digits themselves, so that a
    // value held as 0.000005 shows as 0.00001 even though the nearest double
    // lies just below it.
    std::array<char, 17> digits{};
    int count = number.count;
    int exponent = number.exponent;
    for (int i = 0; i < count; ++i)
        digits[static_cast<std::size_t>(i)] = number.digits[static_cast<std::size_t>(i)];

    // Digits with a place value of at least 10^-decimals.
    const int keep = exponent + decimals + 1;
    if (keep < 0) {
        count = 0;
    } else if (keep < count) {
        const bool up = digits[static_cast<std::size_t>(keep)] >= '5';
        count = keep;
        if (up) {
            int i = count - 1;
            while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') {
                digits[static_cast<std::size_t>(i)] = '0';
                --i;
            }
            if (i >= 0) {
                ++digits[static_cast<std::size_t>(i)];
            } else {
                // Carry out of the leading digit (or a lone half below it):
                // the value becomes a one followed by zeros, one place higher.
                digits[0] = '1';
                count = 1;
                ++exponent;
            }
        }
    }
    while (count > 0 && digits[static_cast<std::size_t>(count - 1)] == '0')
        --count;

    TextWriter out(static_cast<std::size_t>(1 + (exponent > 0 ? exponent + 1 : 1) + decimals) + m_separator.size());
    // A negative value that rounds to zero shows without its sign.
    if (number.negative && count > 0)
        out.put('-');
    const auto digit = [&](int i) { return i >= 0 && i < count ? digits[static_cast<std::size_t>(i)] : '0'; };
    if (count > 0 && exponent >= 0) {
        for (int place = exponent; place >= 0; --place)
            out.put(digit(exponent - place));
    } else {
        out.put('0');
    }
    out.put(m_separator);
    for (int place = -1; count > 0 && place >= -decimals; --place) {
        const int i = exponent - place;
        if (i >= count)
            break;
        out.put(digit(i));
    }
    return out.finish();
}

std::string NumberText::format(std::string_view text, int decimals) const
{
    if (text.empty())
        return {};
    const std::optional<double> value = toDouble(text);
    if (!value)
        return {};
    return format(DecimalDigits::of(*value), decimals);
}

std::string NumberText::format(double value, int decimals) const
{
    if (!std::isfinite(value))
        return {};
    return format(DecimalDigits::of(value), decimals);
}

std::string NumberText::format(float value, int decimals) const
{
    if (!std::isfinite(value))
        return {};
    return format(DecimalDigits::of(value), decimals);
}

std::string NumberText::format(std::int32_t value, int decimals) const
{
    return format(DecimalDigits::of(value), decimals);
}

std::optional<std::int32_t> singleToInt32(float value)
{
    // The range test is written so that NaN fails it too. 2^31 itself is out.
    if (!(value >= -2147483648.0f && value < 2147483648.0f))
        return std::nullopt;
    // nearbyint rounds in the default mode: to nearest, halves to even.
    return static_cast<std::int32_t>(std::nearbyint(value));
}

} // namespace engine
