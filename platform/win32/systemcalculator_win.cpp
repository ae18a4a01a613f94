// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: calc.exe from the system directory; one calculator window, found
// by its class, asked to close.
#include "platform/systemcalculator.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

namespace platform {
namespace {

// The classic calculator's main window, up to Windows XP.
constexpr const char* kClassicClass = "SciCalc";
// The calculator of Windows 7 and 8.1 (and of Server's desktop experience).
constexpr const char* kWindows7Class = "CalcFrame";
// The Calculator app of Windows 10 and 11: its top-level window is a frame
// that another process (ApplicationFrameHost) draws, with the app's own core
// window inside. The frame is the one to close; the core window tells whose
// frame it is, through the program of the process it belongs to. Titles are
// translated, program names are not.
constexpr const char* kAppFrameClass = "ApplicationFrameWindow";
constexpr const char* kAppCoreClass = "Windows.UI.Core.CoreWindow";
constexpr const char* kAppPrograms[] = {"CalculatorApp.exe", "Calculator.exe"};

// A calculator that stopped answering must not freeze this window: the close
// request waits this long at most, and not at all for a hung window.
constexpr UINT kCloseTimeoutMs = 2000;

bool isCalculatorAppProcess(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    char path[MAX_PATH] = {};
    DWORD length = MAX_PATH;
    const bool named = QueryFullProcessImageNameA(process, 0, path, &length) != 0;
    CloseHandle(process);
    if (!named)
        return false;
    const char* slash = std::strrchr(path, '\\');
    const char* program = slash ? slash + 1 : path;
    for (const char* name : kAppPrograms) {
        if (lstrcmpiA(program, name) == 0)
            return true;
    }
    return false;
}

BOOL CALLBACK findCalculatorAppFrame(HWND frame, LPARAM found)
{
    char className[64] = {};
    if (!GetClassNameA(frame, className, sizeof className) || std::strcmp(className, kAppFrameClass) != 0)
        return TRUE;
    for (HWND core = FindWindowExA(frame, nullptr, kAppCoreClass, nullptr); core;
         core = FindWindowExA(frame, core, kAppCoreClass, nullptr)) {
        DWORD processId = 0;
        GetWindowThreadProcessId(core, &processId);
        if (processId != 0 && isCalculatorAppProcess(processId)) {
            *reinterpret_cast<HWND*>(found) = frame;
            return FALSE;
        }
    }
    return TRUE;
}

HWND findCalculatorWindow()
{
    for (const char* windowClass : {kClassicClass, kWindows7Class}) {
        if (HWND window = FindWindowA(windowClass, nullptr))
            return window;
    }
    HWND frame = nullptr;
    EnumWindows(findCalculatorAppFrame, reinterpret_cast<LPARAM>(&frame));
    return frame;
}

} // namespace

// The calculator is found again by its window alone: nothing is kept.
struct SystemCalculator::Routes { };

SystemCalculator::SystemCalculator() = default;
SystemCalculator::~SystemCalculator() = default;

CalculatorStart SystemCalculator::start()
{
    // From the system directory, never through the search path, so that a
    // calc.exe planted beside the program or in the working directory is
    // never the one run.
    char directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {CalculatorError::NotStarted, "calc.exe"};
    const std::string application = std::string(directory) + "\\calc.exe";
    std::string commandLine = "\"" + application + "\"";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup, &process)) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {missing ? CalculatorError::NotInstalled : CalculatorError::NotStarted, application};
    }
    // Nothing is kept: the calculator is found again by its window.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {CalculatorError::None, application};
}

void SystemCalculator::closeOne()
{
    HWND window = findCalculatorWindow();
    if (!window)
        return;
    // As the window's close box would; the calculator decides the rest.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kCloseTimeoutMs, &ignored);
}

} // namespace platform
