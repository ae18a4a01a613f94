// SPDX-License-Identifier: GPL-3.0-or-later
// Test support for Windows: one small program that stands in for what the
// Win32 adapters meet on a user's machine, chosen by its arguments.
//
//   standin                 calc.exe, in the shape ZELVAN_STANDIN_SHAPE names:
//                           "SciCalc" or "CalcFrame" (a window of that class),
//                           "app" (as "standin app %ZELVAN_STANDIN_APP%") or
//                           "detached" (as "standin detached ...")
//   standin app PROGRAM     an app of Windows 10/11: this process draws an
//                           "ApplicationFrameWindow" titled with PROGRAM's file
//                           name, and PROGRAM (a copy of this file) is started
//                           to put its "Windows.UI.Core.CoreWindow" inside
//   standin detached PROGRAM  the same app minimised, suspended or on its
//                           splash: the core window is a top-level window of
//                           its own, titled as the frame, and the frame empty
//   standin core FRAME      that core window, a child of the frame's handle
//   standin corealone FRAME that core window beside the frame
//   standin record URL      a browser: appends URL (as UTF-8) and a newline
//                           to the file ZELVAN_URL_RECORD names
//   standin mark NAME       a running program of an earlier build: holds the
//                           mutex NAME until it is ended, and says "held"
//   standin PARENT IN OUT   the web panel's advert host, as the panel starts
//                           it, in the way ZELVAN_STANDIN_HOST names: "never"
//                           (ends before its hello), or, once its first page
//                           has "loaded", "hang" (its window and pipe go
//                           silent), "allocate" (32 MB more every 50 ms),
//                           "spin" (a core kept busy), "crash", "restless"
//                           (the page loads itself again and again), "flood"
//                           (lines good and bad as fast as the pipe takes
//                           them), "opener" (asks for an address; two more
//                           at each press into its window) or "goneheld"
//                           (ends, its end of the pipe left open in the
//                           panel's process) or "pretender" (tells its parent
//                           of a press nobody made, then asks for an address
//                           and passes on a Tab); it answers pings whenever
//                           it is not hung; "tabhang" takes the keyboard at a press
//                           and hangs once it has passed on a Tab; "latehello"
//                           says hello at the first press only, and passes
//                           on each Tab; "babble"
//                           says what no host should before its hello;
//                           "deaf" says hello and then nothing, reading
//                           nothing (not even that the panel has gone)
//
// Every window ends its process when it is destroyed; the frame is destroyed
// when asked to close, and takes its core window with it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createWindow(const char* className, const char* title, HWND parent)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&windowClass);
    const DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    return CreateWindowExA(0, className, title, style, 40, 40, 240, 160, parent, nullptr, windowClass.hInstance,
                           nullptr);
}

int runUntilDestroyed(HWND window)
{
    if (!window)
        return 1;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

bool startProcess(const std::string& program, const std::string& arguments)
{
    std::string commandLine = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

// The frame, drawn by this process, with the app's core window put inside it
// by the app's own process, as ApplicationFrameHost does for an app.
int runApp(const std::string& program, bool detached)
{
    const char* slash = std::strrchr(program.c_str(), '\\');
    HWND frame = createWindow("ApplicationFrameWindow", slash ? slash + 1 : program.c_str(), nullptr);
    const std::string core = detached ? "corealone " : "core ";
    if (!frame || !startProcess(program, core + std::to_string(reinterpret_cast<std::uintptr_t>(frame))))
        return 1;
    return runUntilDestroyed(frame);
}

// Ends with its frame, also when the frame's process was ended outright and
// took the core window along without a word to this process.
HWND g_frame = nullptr;

int runCore(const char* frameHandle, bool detached)
{
    g_frame = reinterpret_cast<HWND>(std::strtoull(frameHandle, nullptr, 10));
    char title[MAX_PATH] = {};
    if (detached)
        GetWindowTextA(g_frame, title, MAX_PATH);
    if (!createWindow("Windows.UI.Core.CoreWindow", title, detached ? nullptr : g_frame))
        return 1;
    SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) {
        if (!IsWindow(g_frame))
            PostQuitMessage(0);
    });
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

// The host's side of the line protocol, just enough of it: hello, each
// navigate answered as started and loaded, each ping with its pong. The
// pipe is read on a thread of its own and each line handled on the
// window's, as the real host does: a host whose window's thread stops stops
// answering.
HANDLE g_out = nullptr;
std::string g_way;
bool g_saidHello = false;
constexpr UINT kLine = WM_APP + 1; // lParam: a std::string* to delete

void say(const std::string& line)
{
    DWORD written = 0;
    WriteFile(g_out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

DWORD WINAPI spin(void*)
{
    volatile unsigned long n = 0;
    for (;;)
        n = n + 1;
}

DWORD WINAPI allocate(void*)
{
    for (;;) {
        constexpr std::size_t size = std::size_t(32) << 20;
        auto* block = static_cast<char*>(VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        for (std::size_t i = 0; block && i < size; i += 4096)
            block[i] = 1;
        Sleep(50);
    }
}

DWORD WINAPI restless(void*)
{
    for (;;) {
        say("started\n");
        Sleep(10);
    }
}

// Lines good and bad, as fast as the pipe takes them.
DWORD WINAPI flood(void*)
{
    std::string block;
    while (block.size() < 4000)
        block += "loaded ok\npong 1\nbogus\n";
    for (;;)
        say(block);
}

// Gone, but with its end of the pipe still open in another process (here
// the panel's own, where a child it left could hold it as well).
void leaveThePipeOpen(HWND parent)
{
    DWORD panel = 0;
    GetWindowThreadProcessId(parent, &panel);
    const HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, panel);
    HANDLE copy = nullptr;
    if (!process || !DuplicateHandle(GetCurrentProcess(), g_out, process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        TerminateProcess(GetCurrentProcess(), 4);
    TerminateProcess(GetCurrentProcess(), 0);
}

void onFirstLoad(HWND window)
{
    const std::string& way = g_way;
    if (way == "hang")
        Sleep(INFINITE);
    // Ended as by an access violation, without a debugger's dialog.
    if (way == "crash")
        TerminateProcess(GetCurrentProcess(), 0xC0000005);
    if (way == "spin")
        CreateThread(nullptr, 0, spin, nullptr, 0, nullptr);
    if (way == "allocate")
        CreateThread(nullptr, 0, allocate, nullptr, 0, nullptr);
    if (way == "restless")
        CreateThread(nullptr, 0, restless, nullptr, 0, nullptr);
    if (way == "flood")
        CreateThread(nullptr, 0, flood, nullptr, 0, nullptr);
    if (way == "opener")
        say("open http://a.example/unasked\n");
    if (way == "goneheld")
        leaveThePipeOpen(GetParent(window));
    // Tells the panel of a press nobody made, then asks for what a press
    // would let it have.
    if (way == "pretender") {
        SendMessageA(GetParent(window), WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, 0), MAKELPARAM(10, 10));
        say("open http://a.example/pretended\ntab forward\n");
    }
}

void handle(HWND window, const std::string& line)
{
    static bool loaded = false;
    if (line.rfind("ping ", 0) == 0)
        say("pong " + line.substr(5) + "\n");
    if (line.rfind("navigate ", 0) == 0) {
        say("started\nloaded ok\n");
        if (!loaded) {
            loaded = true;
            onFirstLoad(window);
        }
    }
}

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kLine: {
        auto* line = reinterpret_cast<std::string*>(lParam);
        handle(window, *line);
        delete line;
        return 0;
    }
    // "opener": each press asks for two addresses; "tabhang": a press
    // takes the keyboard, and Tab is passed on just before the host hangs.
    case WM_LBUTTONDOWN:
        if (g_way == "opener")
            say("open http://a.example/clicked\nopen http://a.example/clicked\n");
        if (g_way == "tabhang")
            SetFocus(window);
        if (g_way == "latehello" && !g_saidHello) {
            g_saidHello = true;
            say("hello 1\n");
        }
        return 0;
    case WM_KEYDOWN:
        if ((g_way == "tabhang" || g_way == "latehello") && wParam == VK_TAB) {
            say("tab forward\n");
            if (g_way == "tabhang")
                Sleep(INFINITE);
        }
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

struct Reading {
    HANDLE in;
    HWND window;
};

DWORD WINAPI readPanel(void* argument)
{
    const auto [in, window] = *static_cast<Reading*>(argument);
    std::string line;
    char c = 0;
    DWORD got = 0;
    while (ReadFile(in, &c, 1, &got, nullptr) && got == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        PostMessageA(window, kLine, 0, reinterpret_cast<LPARAM>(new std::string(line)));
        line.clear();
    }
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

// Its window goes under the panel's like the real host's.
int runHost(HWND parent, HANDLE in)
{
    if (g_way == "never")
        return 3;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = hostProcedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "ZelvanAdvertHost";
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassA(&windowClass);
    const HWND window = CreateWindowExA(0, "ZelvanAdvertHost", "", WS_CHILD | WS_VISIBLE, 40, 40, 240, 160, parent,
                                        nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 3;
    if (g_way == "babble") {
        say("bogus\n" + std::string(5000, 'x') + "\nopen file:///C:/Windows/win.ini\n");
        say("open javascript:alert(1)\nopen http:///no-host\nhello 2\n");
    }
    if (g_way != "latehello")
        say("hello 1\n");
    if (g_way == "deaf")
        Sleep(INFINITE);
    static Reading reading{in, window};
    if (!CreateThread(nullptr, 0, readPanel, &reading, 0, nullptr))
        return 3;
    return runUntilDestroyed(window);
}

// The address as the shell handed it over, read wide: main()'s narrow
// arguments would have passed through the ANSI code page.
int record()
{
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    const char* file = std::getenv("ZELVAN_URL_RECORD");
    FILE* out = file && arguments && count == 3 ? std::fopen(file, "ab") : nullptr;
    if (!out)
        return 1;
    char url[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, arguments[2], -1, url, sizeof url, nullptr, nullptr);
    LocalFree(arguments);
    std::fprintf(out, "%s\n", url);
    std::fclose(out);
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 3 && std::strcmp(argv[1], "app") == 0)
        return runApp(argv[2], false);
    if (argc == 3 && std::strcmp(argv[1], "detached") == 0)
        return runApp(argv[2], true);
    if (argc == 3 && std::strcmp(argv[1], "core") == 0)
        return runCore(argv[2], false);
    if (argc == 3 && std::strcmp(argv[1], "corealone") == 0)
        return runCore(argv[2], true);
    if (argc == 3 && std::strcmp(argv[1], "record") == 0)
        return record();
    if (argc == 3 && std::strcmp(argv[1], "mark") == 0) {
        // The handle closes with the process.
        if (!CreateMutexA(nullptr, FALSE, argv[2]))
            return 1;
        std::puts("held");
        std::fflush(stdout);
        Sleep(INFINITE);
        return 0;
    }
    if (argc == 4) {
        const char* way = std::getenv("ZELVAN_STANDIN_HOST");
        g_way = way ? way : "";
        g_out = reinterpret_cast<HANDLE>(std::strtoull(argv[3], nullptr, 10));
        return runHost(reinterpret_cast<HWND>(std::strtoull(argv[1], nullptr, 10)),
                       reinterpret_cast<HANDLE>(std::strtoull(argv[2], nullptr, 10)));
    }
    if (argc != 1)
        return 2;

    const char* shape = std::getenv("ZELVAN_STANDIN_SHAPE");
    if (shape && (std::strcmp(shape, "app") == 0 || std::strcmp(shape, "detached") == 0)) {
        const char* app = std::getenv("ZELVAN_STANDIN_APP");
        return app ? runApp(app, std::strcmp(shape, "detached") == 0) : 2;
    }
    return runUntilDestroyed(createWindow(shape ? shape : "SciCalc", "Calculator", nullptr));
}
