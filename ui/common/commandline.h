// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's command line, read before any window or display exists.
// Zelvan's own options, --help and --version, are answered there and then;
// Qt's options (-platform, -style, -reverse ...) are left to QApplication,
// which reads them itself; anything else is refused with a message, never
// answered with a window. The texts are Chinese, as the windows are.

#include <QString>
#include <QStringList>

#include <optional>

struct CommandLineAnswer {
    QString text; // ends with a line end
    bool isError = false;
    int exitCode = 0;
};

// The exit code of a command line the program cannot follow.
inline constexpr int kCommandLineMistake = 2;

// Nothing when the main window should start. arguments[0] is the program.
std::optional<CommandLineAnswer> readCommandLine(const QStringList& arguments);

// Reads the process's own command line and shows the answer, if any, where
// the user will see it (platform/commandline.h). Returns the exit code when
// the program should end here, nothing when its window should start.
std::optional<int> answerCommandLine(int argc, char* argv[]);
