// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: calc.exe from the system directory, its window found by class.
#include "platform/systemcalculator.h"

#include <windows.h>

namespace platform {

CalculatorStart SystemCalculator::start()
{
    // From the system directory, never through the search path, so that a
    // calc.exe planted beside the program or in the working directory is
    // never the one run.
    char directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return {CalculatorError::NotStarted, "calc.exe"};
    std::string commandLine = std::string("\"") + directory + "\\calc.exe\"";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    const std::string application = std::string(directory) + "\\calc.exe";
    if (!CreateProcessA(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory, &startup, &process)) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {missing ? CalculatorError::NotInstalled : CalculatorError::NotStarted, application};
    }
    // Nothing is kept: the calculator is found again by its window class.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {CalculatorError::None, application};
}

void SystemCalculator::closeOne()
{
    HWND window = FindWindowA("SciCalc", nullptr);
    // A null window makes the message go nowhere, as intended.
    SendMessageA(window, WM_CLOSE, 0, 0);
}

} // namespace platform
