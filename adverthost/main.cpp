// SPDX-License-Identifier: GPL-3.0-or-later
// The advert host: shows the web panel's page in a process of its own, with
// fewer rights than the program and bounds the program sets (a Job object),
// so that a page that hangs, grows or spins can be ended without the program.
//
//   zelvan-adverthost PARENT IN OUT
//
// PARENT is the panel's window (a number), under which the host puts its
// own; IN and OUT are the pipe handles it inherited, to read the panel's
// messages from and to write its own to (platform/advert/advertprotocol.h).
// The host ends when the panel says "quit", closes its end of the pipe, or
// its window goes.

#include "adverthost/browserhost.h"
#include "platform/advert/advertprotocol.h"
#include "platform/advert/siterules.h"

#include <shellapi.h>

#include <cstdlib>
#include <memory>
#include <cwchar>
#include <string>

namespace {

constexpr UINT kLineArrived = WM_APP + 1; // lParam: a std::string* to delete
constexpr UINT kPanelGone = WM_APP + 2;
constexpr UINT kLineTooLong = WM_APP + 3;
constexpr wchar_t kWindowClass[] = L"ZelvanAdvertHost";

HANDLE g_out = nullptr;
adverthost::BrowserHost* g_browser = nullptr;

void send(const std::string& line)
{
    DWORD written = 0;
    // Whole lines or nothing: a panel that no longer reads is gone, and the
    // host with it (the read side sees the pipe close).
    WriteFile(g_out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string toUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// The panel's messages, read on a thread of their own and handed to the
// window's thread one line at a time.
struct Reading {
    HANDLE in;
    HWND window;
};

DWORD WINAPI readPanel(void* argument)
{
    // Named copies, not a structured binding: clang (clang-tidy) does not
    // take one into a lambda's captures before version 16.
    const HANDLE in = static_cast<Reading*>(argument)->in;
    const HWND window = static_cast<Reading*>(argument)->window;
    advert::LineReader reader;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        const int droppedBefore = reader.dropped();
        reader.feed(std::string_view(buffer, got), [window](std::string_view line) {
            auto* copy = new std::string(line);
            if (!PostMessageW(window, kLineArrived, 0, reinterpret_cast<LPARAM>(copy)))
                delete copy;
        });
        for (int i = droppedBefore; i < reader.dropped(); ++i)
            PostMessageW(window, kLineTooLong, 0, 0);
    }
    PostMessageW(window, kPanelGone, 0, 0);
    return 0;
}

void handle(HWND window, const std::string& line)
{
    const auto message = advert::parsePanelLine(line);
    if (!message || !g_browser)
        return;
    using Kind = advert::PanelMessage::Kind;
    switch (message->kind) {
    case Kind::Navigate: g_browser->navigate(std::wstring(message->url.begin(), message->url.end())); break;
    case Kind::Resize:
        SetWindowPos(window, nullptr, 0, 0, message->width, message->height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    case Kind::FocusIn: g_browser->takeFocus(); break;
    case Kind::FocusOut: g_browser->dropFocus(); break;
    case Kind::Ping: send(advert::pongLine(message->number)); break;
    case Kind::Quit: PostQuitMessage(0); break;
    }
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kLineArrived: {
        const std::unique_ptr<std::string> line(reinterpret_cast<std::string*>(lParam));
        handle(window, *line);
        return 0;
    }
    case kPanelGone: PostQuitMessage(0); return 0;
    // Only an address makes a line of the panel's that long: its load failed.
    case kLineTooLong:
        if (g_browser)
            g_browser->refuse();
        return 0;
    case WM_SIZE:
        if (g_browser)
            g_browser->fitToContainer();
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

// The host draws at the monitor's scale itself (the page sized right on each
// monitor); older systems only know the whole-system kind of awareness.
void becomeDpiAware()
{
    using SetContext = BOOL(WINAPI*)(HANDLE);
    if (const HMODULE user = GetModuleHandleW(L"user32.dll")) {
        const auto set = reinterpret_cast<SetContext>(
            reinterpret_cast<void*>(GetProcAddress(user, "SetProcessDpiAwarenessContext")));
        // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
        if (set && set(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4))))
            return;
    }
    SetProcessDPIAware();
}

bool ours(HWND window, HWND target)
{
    return target == window || IsChild(window, target);
}

// Tab and Shift+Tab leave the page for the panel's window (one Tab stop);
// the control's own shortcuts are dropped (siterules.h); other keys go to
// the page's accelerators first (Ctrl+C, Ctrl+A).
bool preTranslate(HWND window, MSG& message)
{
    if (!g_browser || !ours(window, message.hwnd))
        return false;
    if (message.message == WM_LBUTTONDOWN || message.message == WM_RBUTTONDOWN || message.message == WM_MBUTTONDOWN)
        g_browser->allowFocus();
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST)
        return false;
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        switch (advert::pageKey(static_cast<unsigned>(message.wParam), GetKeyState(VK_CONTROL) < 0,
                                GetKeyState(VK_MENU) < 0)) {
        case advert::PageKey::Leave:
            g_browser->dropFocus();
            send(advert::tabLine(GetKeyState(VK_SHIFT) >= 0));
            return true;
        case advert::PageKey::Refused: return true;
        case advert::PageKey::Page: break;
        }
    }
    IOleInPlaceActiveObject* active = g_browser->activeObject();
    return active && active->TranslateAccelerator(&message) == S_OK;
}

std::uintptr_t argumentNumber(const wchar_t* text)
{
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(text, &end, 10);
    return end && *end == 0 && end != text ? static_cast<std::uintptr_t>(value) : 0;
}

} // namespace

int main()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments || count != 4)
        return 2;
    const auto parent = reinterpret_cast<HWND>(argumentNumber(arguments[1]));
    const auto in = reinterpret_cast<HANDLE>(argumentNumber(arguments[2]));
    g_out = reinterpret_cast<HANDLE>(argumentNumber(arguments[3]));
    LocalFree(arguments);
    if (!IsWindow(parent) || !in || !g_out)
        return 2;

    becomeDpiAware();
    if (FAILED(OleInitialize(nullptr)))
        return 3;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hbrBackground = nullptr; // the panel's background shows until a page does
    RegisterClassW(&windowClass);
    RECT area = {};
    GetClientRect(parent, &area);
    const HWND window = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, area.right, area.bottom,
                                        parent, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return 3;

    adverthost::BrowserEvents events;
    events.loadStarted = [] { send(advert::startedLine()); };
    events.loadFinished = [](bool ok) { send(advert::loadedLine(ok)); };
    events.openExternally = [](const std::wstring& url) {
        send(advert::openLine(advert::percentEncoded(toUtf8(url))));
    };
    std::unique_ptr<adverthost::BrowserHost> browser = adverthost::BrowserHost::create(window, std::move(events));
    if (!browser)
        return 3;
    g_browser = browser.get();
    // Shown once the control is in place (and hidden until its first page).
    ShowWindow(window, SW_SHOWNA);

    static Reading reading{in, window};
    const HANDLE reader = CreateThread(nullptr, 0, readPanel, &reading, 0, nullptr);
    if (!reader)
        return 3;
    CloseHandle(reader);
    send(advert::helloLine());

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (preTranslate(window, message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    g_browser = nullptr;
    browser.reset();
    DestroyWindow(window);
    OleUninitialize();
    // The reader thread may still be blocked in ReadFile.
    ExitProcess(0);
}
