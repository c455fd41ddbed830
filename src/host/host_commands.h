#pragma once

#include <windows.h>

// Starts one more screen host, hidden, from the program's folder and reports it.
void StartScreenHost(HWND hwnd);

// Sends the screen host the stop signal and reports whether it was delivered.
void StopScreenHost();

// Asks every screen host running in this session to close, ends those that do
// not within their time, and reports whether all of them have gone. Other
// signed-in users' hosts are left alone.
void ForceCloseScreenHost(HWND hwnd);

// EnumWindows callback: posts WM_CLOSE to hwnd when it belongs to the process
// whose identifier is in lParam.
BOOL CALLBACK EnumWindowsProc(HWND hwnd, LPARAM lParam);
