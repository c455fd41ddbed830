#pragma once

#include "tray/tray_icon.h"

#include <windows.h>

UINT const CMD_START_SCREEN = 1;
UINT const CMD_STOP_SCREEN = 2;
UINT const CMD_EXIT = 3;
UINT const CMD_INSTALL_DRIVER = 4;
UINT const CMD_UNINSTALL_DRIVER = 5;
UINT const CMD_FORCE_CLOSE = 6;

// Window procedure of the hidden tray window.
LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The right-click menu, built afresh each time; the caller destroys it.
HMENU CreateTrayMenu();
