// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: calc.exe from the system directory; one calculator window, found
// by its class, asked to close.
#include "platform/systemcalculator.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>
#include <vector>

namespace platform {
namespace {

// The classic calculator's main window, up to Windows XP.
constexpr const wchar_t* kClassicClass = L"SciCalc";
// The calculator of Windows 7 and 8.1 (and of Server's desktop experience).
constexpr const wchar_t* kWindows7Class = L"CalcFrame";
// The Calculator app of Windows 10 and 11: its top-level window is a frame
// that another process (ApplicationFrameHost) draws, with the app's own core
// window inside. The frame is the one to close; the core window tells whose
// frame it is, through the program of the process it belongs to. Titles are
// translated, program names are not.
constexpr const wchar_t* kAppFrameClass = L"ApplicationFrameWindow";
constexpr const wchar_t* kAppCoreClass = L"Windows.UI.Core.CoreWindow";
constexpr const wchar_t* kAppPrograms[] = {L"CalculatorApp.exe", L"Calculator.exe"};

// A calculator that stopped answering must not freeze this window: the close
// request waits this long at most, and not at all for a hung window.
constexpr UINT kCloseTimeoutMs = 2000;

bool isCalculatorAppProcess(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    // Wide: the app's folder may hold characters the ANSI code page lacks.
    std::wstring path(32768, L'\0');
    DWORD length = static_cast<DWORD>(path.size());
    const bool named = QueryFullProcessImageNameW(process, 0, path.data(), &length) != 0;
    CloseHandle(process);
    if (!named)
        return false;
    path.resize(length);
    const size_t slash = path.find_last_of(L'\\');
    const std::wstring program = slash == std::wstring::npos ? path : path.substr(slash + 1);
    for (const wchar_t* name : kAppPrograms) {
        if (lstrcmpiW(program.c_str(), name) == 0)
            return true;
    }
    return false;
}

bool isCalculatorAppCore(HWND core)
{
    DWORD processId = 0;
    GetWindowThreadProcessId(core, &processId);
    return processId != 0 && isCalculatorAppProcess(processId);
}

bool hasClass(HWND window, const wchar_t* windowClass)
{
    wchar_t name[64] = {};
    return GetClassNameW(window, name, 64) && lstrcmpW(name, windowClass) == 0;
}

std::wstring titleOf(HWND window)
{
    std::wstring title(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(window, title.data(), static_cast<int>(title.size()))));
    return title;
}

// What one pass over the top-level windows learns about the Calculator app.
struct AppWindows {
    HWND hostingFrame = nullptr; // a frame with the app's core window inside
    std::vector<HWND> emptyFrames; // frames hosting no core window at all
    std::vector<HWND> detachedCores; // the app's core windows on their own
};

BOOL CALLBACK collectAppWindows(HWND window, LPARAM found)
{
    auto& app = *reinterpret_cast<AppWindows*>(found);
    if (hasClass(window, kAppFrameClass)) {
        HWND core = FindWindowExW(window, nullptr, kAppCoreClass, nullptr);
        if (!core) {
            app.emptyFrames.push_back(window);
            return TRUE;
        }
        for (; core; core = FindWindowExW(window, core, kAppCoreClass, nullptr)) {
            if (isCalculatorAppCore(core)) {
                app.hostingFrame = window;
                return FALSE;
            }
        }
    } else if (hasClass(window, kAppCoreClass) && isCalculatorAppCore(window)) {
        app.detachedCores.push_back(window);
    }
    return TRUE;
}

// Windows takes the app's core window out of its frame while the app is
// minimised or suspended, and before its splash screen ends; the frame
// stays, empty, titled as the app is. That frame is the one to close, and
// only when it is the one empty frame of the core window's title: another
// app's frame is never closed on a guess.
HWND frameOfDetachedCore(const AppWindows& app)
{
    for (HWND core : app.detachedCores) {
        const std::wstring title = titleOf(core);
        HWND match = nullptr;
        int matches = 0;
        for (HWND frame : app.emptyFrames) {
            if (titleOf(frame) == title) {
                match = frame;
                ++matches;
            }
        }
        if (matches == 1)
            return match;
    }
    return nullptr;
}

HWND findCalculatorWindow()
{
    for (const wchar_t* windowClass : {kClassicClass, kWindows7Class}) {
        if (HWND window = FindWindowW(windowClass, nullptr))
            return window;
    }
    AppWindows app;
    EnumWindows(collectAppWindows, reinterpret_cast<LPARAM>(&app));
    return app.hostingFrame ? app.hostingFrame : frameOfDetachedCore(app);
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
    wchar_t directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {CalculatorError::NotStarted, "calc.exe"};
    const std::wstring application = std::wstring(directory) + L"\\calc.exe";
    std::wstring commandLine = L"\"" + application + L"\"";
    // Reported in UTF-8, as the rest of the program speaks.
    std::string shown(
        static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, application.c_str(), -1, nullptr, 0, nullptr, nullptr)),
        '\0');
    WideCharToMultiByte(CP_UTF8, 0, application.c_str(), -1, shown.data(), static_cast<int>(shown.size()), nullptr,
                        nullptr);
    shown.resize(shown.empty() ? 0 : shown.size() - 1);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup, &process)) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {missing ? CalculatorError::NotInstalled : CalculatorError::NotStarted, shown};
    }
    // Nothing is kept: the calculator is found again by its window.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {CalculatorError::None, shown};
}

void SystemCalculator::closeOne()
{
    HWND window = findCalculatorWindow();
    if (!window)
        return;
    // As the window's close box would; the calculator decides the rest.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, kCloseTimeoutMs, &ignored);
}

} // namespace platform
