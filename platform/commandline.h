// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line as the user typed it, and where its answers (--help,
// --version, a mistake) go, before the program has any window or display.

#include <string>
#include <vector>

namespace platform {

// Every argument, the program's name first, in UTF-8. Windows keeps a
// program's command line in UTF-16; the char* argv handed to main() went
// through the ANSI code page, which cannot hold every character, so the
// Windows version reads the original, and hands Windows' own "/?" on as
// "-?", the help option's short name.
std::vector<std::string> commandLineArguments(int argc, char* argv[]);

// Whether Qt here runs on X11 (the xcb platform), whose options (-display,
// -geometry, -title ...) it then reads from the command line as well.
bool qtMayReadX11Options();

enum class AnswerKind { Information, Error };

// Shows the text (UTF-8, lines ended by '\n') where whoever started the
// program reads it: its standard output (information) or standard error
// (error), be it a terminal, a pipe or a file. A Windows program started
// from a console's prompt has no standard output of its own and writes on
// that console; started from the desktop, it shows the text in a message box.
void showCommandLineAnswer(const std::string& text, AnswerKind kind);

} // namespace platform
