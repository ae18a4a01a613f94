// SPDX-License-Identifier: GPL-3.0-or-later
// A Unix program always has its standard streams; the arguments are bytes,
// in UTF-8 as Qt takes them on every Unix.
#include "platform/commandline.h"

#include <cstdio>

namespace platform {

std::vector<std::string> commandLineArguments(int argc, char* argv[])
{
    return {argv, argv + argc};
}

bool qtMayReadX11Options()
{
    return true;
}

void showCommandLineAnswer(const std::string& text, AnswerKind kind)
{
    std::FILE* stream = kind == AnswerKind::Error ? stderr : stdout;
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

} // namespace platform
