// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The line protocol between the web panel and the advert host, the program
// that shows the advert in a process of its own. One message a line, ended by
// "\n", words split by one blank, printable ASCII only; addresses travel
// percent-encoded, so they hold no blank. The host speaks first ("hello 1").
//
//   panel -> host                      host -> panel
//   navigate URL                       hello VERSION
//   resize WIDTH HEIGHT (pixels)       loaded ok | loaded failed
//   focus in | focus out               open URL (a user's click on a new window)
//   ping N                             started (the top page began to load)
//   quit                               tab forward | tab backward
//                                      pong N
//
// Plain C++ without Qt or Windows, so that both programs and the tests on
// every system share it. What the host says is never trusted: a line that
// does not parse is dropped (and counted by the reader), and the panel still
// checks what a parsed line asks for.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace advert {

constexpr int kProtocolVersion = 1;
// Longer than any address the panel sends or a page should hand on; a longer
// line is dropped whole.
constexpr std::size_t kMaxLineLength = 4096;

struct PanelMessage {
    enum class Kind { Navigate, Resize, FocusIn, FocusOut, Ping, Quit };
    Kind kind;
    std::string url; // Navigate
    int width = 0; // Resize
    int height = 0; // Resize
    std::uint64_t number = 0; // Ping
};

struct HostMessage {
    enum class Kind { Hello, Started, LoadedOk, LoadedFailed, Open, TabForward, TabBackward, Pong };
    Kind kind;
    std::string url; // Open
    std::uint64_t number = 0; // Hello (the version), Pong
};

// An address (any bytes: UTF-8 as the host reads it from the control) as
// the protocol carries it: blanks, control characters and every byte past
// ASCII percent-encoded, the rest as it is (an escape already in the address
// stays as it was).
std::string percentEncoded(std::string_view bytes);

// One line each, with its "\n".
std::string navigateLine(std::string_view url);
std::string resizeLine(int width, int height);
std::string focusLine(bool in);
std::string pingLine(std::uint64_t number);
std::string quitLine();

std::string helloLine();
std::string startedLine();
std::string loadedLine(bool ok);
std::string openLine(std::string_view url);
std::string tabLine(bool forward);
std::string pongLine(std::uint64_t number);

// A line without its "\n"; nothing when it is not a message of the protocol.
std::optional<PanelMessage> parsePanelLine(std::string_view line);
std::optional<HostMessage> parseHostLine(std::string_view line);

// Cuts a byte stream into lines of at most kMaxLineLength bytes. A longer
// line is dropped up to its end and counted; so is a line cut off by the
// end of the stream (the caller simply stops feeding).
class LineReader {
public:
    // Calls onLine(std::string_view) for each whole line in bytes.
    template <typename OnLine> void feed(std::string_view bytes, OnLine&& onLine)
    {
        for (const char c : bytes) {
            if (c == '\n') {
                if (!m_overlong)
                    onLine(std::string_view(m_line));
                m_line.clear();
                m_overlong = false;
            } else if (m_overlong) {
                continue;
            } else if (m_line.size() == kMaxLineLength) {
                m_line.clear();
                m_overlong = true;
                ++m_dropped;
            } else {
                m_line += c;
            }
        }
    }
    int dropped() const { return m_dropped; }

private:
    std::string m_line;
    bool m_overlong = false;
    int m_dropped = 0;
};

} // namespace advert
