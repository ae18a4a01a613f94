// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test support for Windows: the user's keys and presses through the system
// (SendInput), which sends them wherever it would send a user's.

#include <windows.h>

// A key pressed and released; whether the system took both.
inline bool typeKey(WORD key)
{
    INPUT keys[2] = {};
    for (INPUT& input : keys) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, keys, sizeof(INPUT)) == 2;
}

// A press of the left button at a point of the screen.
inline bool pressAt(int x, int y)
{
    SetCursorPos(x, y);
    INPUT press[2] = {};
    for (INPUT& input : press)
        input.type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, press, sizeof(INPUT)) == 2;
}

// A press near the top left of window (inside the web panel's frame, which
// cuts the larger view and the host's window in it).
inline bool pressInto(HWND window)
{
    RECT area = {};
    GetWindowRect(window, &area);
    return pressAt(area.left + 20, area.top + 20);
}
