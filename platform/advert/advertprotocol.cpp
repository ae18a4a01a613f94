// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/advert/advertprotocol.h"

#include <charconv>

namespace advert {
namespace {

// An address as the protocol carries it: printable ASCII without blanks.
bool isToken(std::string_view text)
{
    if (text.empty() || text.size() > kMaxLineLength)
        return false;
    for (const char c : text) {
        if (c <= ' ' || c >= 0x7f)
            return false;
    }
    return true;
}

// Digits only (no sign, no blanks, no leading "+"), within the type.
template <typename Number> std::optional<Number> numberOf(std::string_view text)
{
    Number value{};
    if (text.empty() || text.size() > 20 || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The line's first word and the rest after one blank.
std::pair<std::string_view, std::string_view> split(std::string_view line)
{
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos)
        return {line, {}};
    return {line.substr(0, blank), line.substr(blank + 1)};
}

std::string withArgument(std::string_view word, std::string_view argument)
{
    std::string line(word);
    line += ' ';
    line += argument;
    line += '\n';
    return line;
}

} // namespace

std::string percentEncoded(std::string_view bytes)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f) {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::string navigateLine(std::string_view url)
{
    return withArgument("navigate", url);
}

std::string resizeLine(int width, int height)
{
    return withArgument("resize", std::to_string(width) + ' ' + std::to_string(height));
}

std::string focusLine(bool in)
{
    return withArgument("focus", in ? "in" : "out");
}

std::string pingLine(std::uint64_t number)
{
    return withArgument("ping", std::to_string(number));
}

std::string quitLine()
{
    return "quit\n";
}

std::string helloLine()
{
    return withArgument("hello", std::to_string(kProtocolVersion));
}

std::string startedLine()
{
    return "started\n";
}

std::string loadedLine(bool ok)
{
    return withArgument("loaded", ok ? "ok" : "failed");
}

std::string openLine(std::string_view url)
{
    return withArgument("open", url);
}

std::string tabLine(bool forward)
{
    return withArgument("tab", forward ? "forward" : "backward");
}

std::string pongLine(std::uint64_t number)
{
    return withArgument("pong", std::to_string(number));
}

std::optional<PanelMessage> parsePanelLine(std::string_view line)
{
    using Kind = PanelMessage::Kind;
    const auto [word, rest] = split(line);
    if (word == "navigate" && isToken(rest))
        return PanelMessage{Kind::Navigate, std::string(rest), 0, 0, 0};
    if (word == "resize") {
        const auto [w, h] = split(rest);
        const auto width = numberOf<int>(w);
        const auto height = numberOf<int>(h);
        // A window of a size no screen has is no request of the panel's.
        constexpr int kLargest = 1 << 15;
        if (width && height && *width <= kLargest && *height <= kLargest)
            return PanelMessage{Kind::Resize, {}, *width, *height, 0};
        return std::nullopt;
    }
    if (line == "focus in")
        return PanelMessage{Kind::FocusIn, {}, 0, 0, 0};
    if (line == "focus out")
        return PanelMessage{Kind::FocusOut, {}, 0, 0, 0};
    if (word == "ping") {
        if (const auto number = numberOf<std::uint64_t>(rest))
            return PanelMessage{Kind::Ping, {}, 0, 0, *number};
        return std::nullopt;
    }
    if (line == "quit")
        return PanelMessage{Kind::Quit, {}, 0, 0, 0};
    return std::nullopt;
}

std::optional<HostMessage> parseHostLine(std::string_view line)
{
    using Kind = HostMessage::Kind;
    const auto [word, rest] = split(line);
    if (word == "hello") {
        if (const auto version = numberOf<std::uint64_t>(rest))
            return HostMessage{Kind::Hello, {}, *version};
        return std::nullopt;
    }
    if (line == "started")
        return HostMessage{Kind::Started, {}, 0};
    if (line == "loaded ok")
        return HostMessage{Kind::LoadedOk, {}, 0};
    if (line == "loaded failed")
        return HostMessage{Kind::LoadedFailed, {}, 0};
    if (word == "open" && isToken(rest))
        return HostMessage{Kind::Open, std::string(rest), 0};
    if (line == "tab forward")
        return HostMessage{Kind::TabForward, {}, 0};
    if (line == "tab backward")
        return HostMessage{Kind::TabBackward, {}, 0};
    if (word == "pong") {
        if (const auto number = numberOf<std::uint64_t>(rest))
            return HostMessage{Kind::Pong, {}, *number};
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace advert
