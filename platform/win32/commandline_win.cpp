// SPDX-License-Identifier: GPL-3.0-or-later
// Kept free of Qt so that the MinGW syntax check can compile it on its own.
// zelvan.exe is a GUI program: Windows gives it no console, and a console's
// shell does not wait for it. It answers where the user will look, in the
// order Windows programs do: the standard handle it was handed (a pipe or a
// file it was redirected to, or the console of a console program that
// started it), else the console of the prompt it was typed at, else a
// message box.
#include "platform/commandline.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

namespace platform {
namespace {

std::wstring wide(const std::string& utf8)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), size);
    return text;
}

std::string utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back(); // the terminating zero
    return bytes;
}

std::string withWindowsLineEnds(const std::string& text)
{
    std::string lines;
    lines.reserve(text.size() + text.size() / 16);
    for (const char c : text) {
        if (c == '\n')
            lines += '\r';
        lines += c;
    }
    return lines;
}

// A console gets the text as UTF-16, which it shows whatever its code page;
// a file or a pipe gets UTF-8, which holds every character as well. False
// when there is nothing there to write on.
bool writeTo(HANDLE handle, const std::string& text)
{
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return false;
    const std::string lines = withWindowsLineEnds(text);
    DWORD written = 0;
    DWORD mode = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring characters = wide(lines);
        return WriteConsoleW(handle, characters.data(), static_cast<DWORD>(characters.size()), &written, nullptr)
               && written == characters.size();
    }
    if (GetFileType(handle) == FILE_TYPE_UNKNOWN)
        return false;
    return WriteFile(handle, lines.data(), static_cast<DWORD>(lines.size()), &written, nullptr)
           && written == lines.size();
}

} // namespace

std::vector<std::string> commandLineArguments(int argc, char* argv[])
{
    std::vector<std::string> result;
    int count = 0;
    if (LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            result.push_back(utf8(arguments[i]));
        LocalFree(arguments);
    } else {
        result.assign(argv, argv + argc);
    }
    for (size_t i = 1; i < result.size(); ++i) {
        if (result[i] == "/?")
            result[i] = "-?";
    }
    return result;
}

bool qtMayReadX11Options()
{
    return false;
}

void showCommandLineAnswer(const std::string& text, AnswerKind kind)
{
    const bool error = kind == AnswerKind::Error;
    if (writeTo(GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), text))
        return;

    // Typed at a prompt: the shell has shown its next prompt already, so the
    // text starts on a line of its own below it. A process that is on a
    // console already (ERROR_ACCESS_DENIED; Wine puts a GUI program on its
    // parent's) writes on that one.
    const bool attached = AttachConsole(ATTACH_PARENT_PROCESS);
    if (attached || GetLastError() == ERROR_ACCESS_DENIED) {
        HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        const bool written = writeTo(console, "\n" + text);
        if (console != INVALID_HANDLE_VALUE)
            CloseHandle(console);
        if (attached)
            FreeConsole();
        if (written)
            return;
    }

    // A box needs no last line end.
    const std::wstring message = wide(text.substr(0, text.find_last_not_of('\n') + 1));
    MessageBoxW(nullptr, message.c_str(), L"Zelvan",
                MB_OK | MB_SETFOREGROUND | MB_TOPMOST | (error ? MB_ICONERROR : MB_ICONINFORMATION));
}

} // namespace platform
