#pragma once

#include <windows.h>
#include <shellapi.h>

// The shell's callback message for our icon; its lParam carries the mouse message.
UINT const WM_TRAYICON = WM_APP;

UINT const CMD_START_SCREEN = 1;
UINT const CMD_STOP_SCREEN = 2;
UINT const CMD_EXIT = 3;
UINT const CMD_INSTALL_DRIVER = 4;
UINT const CMD_UNINSTALL_DRIVER = 5;
UINT const CMD_FORCE_CLOSE = 6;

// The notification-area icon, filled once when the tray window is created.
extern NOTIFYICONDATAW g_nid;

// Window procedure of the hidden tray window.
LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The right-click menu, built afresh each time; the caller destroys it.
HMENU CreateTrayMenu();
