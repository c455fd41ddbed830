#pragma once

#include <windows.h>
#include <shellapi.h>

// The shell's callback message for our icon; its lParam carries the mouse message.
UINT const WM_TRAYICON = WM_APP;

// The timer that offers the icon to the shell again until the shell takes it.
UINT_PTR const TRAY_RETRY_TIMER_ID = 1;

// The notification-area icon, filled when the tray window is created and cleared
// once the icon is deleted.
extern NOTIFYICONDATAW g_nid;

// Fills g_nid for hwnd and puts the icon into the notification area; when the
// shell does not take it, the retry timer offers it again once a second.
void AddTrayIcon(HWND hwnd);

// Offers the icon again (the retry timer's tick); nothing once it is deleted.
void RetryTrayIcon();

// Hands the shell a fresh image for the scale the taskbar is shown at now, and
// puts the icon back if the shell has lost it; nothing once it is deleted.
void RefreshTrayIcon();

// Takes the icon away for good: a later refresh or retry does not bring it back.
void DeleteTrayIcon();

// The program's icon at the size the tray shows at dpi (0: the scale the program
// started at). The caller owns it.
HICON LoadTrayIcon(UINT dpi);
