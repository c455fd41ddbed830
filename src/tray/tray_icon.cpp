#include "tray/tray_icon.h"

#include "common/program_icon.h"
#include "common/system_function.h"
#include "startup/startup.h"

#include <cwchar>

NOTIFYICONDATAW g_nid = {};

namespace
{
UINT const TRAY_ICON_ID = 1;
UINT const NOTIFY_ICON_VERSION = 3;
wchar_t const TRAY_TIP[] = L"虚拟屏幕";
UINT const TRAY_RETRY_INTERVAL_MS = 1000;
wchar_t const TASKBAR_WINDOW_CLASS[] = L"Shell_TrayWnd";
// MDT_EFFECTIVE_DPI, from a header that SDKs for Vista do not have.
int const EFFECTIVE_DPI = 0;

UINT GetTaskbarDpi();
void FillTrayIconRecord(HWND hwnd);
void OfferTrayIconAgainLater();
void PlaceTrayIcon();

// The scale (dots per inch) of the monitor that shows the taskbar; 0 where
// Windows cannot tell it per monitor (before Windows 8.1).
UINT GetTaskbarDpi()
{
    typedef HRESULT(WINAPI * GetDpiForMonitorFn)(HMONITOR, int, UINT*, UINT*);
    GetDpiForMonitorFn const getDpiForMonitor =
        reinterpret_cast<GetDpiForMonitorFn>(FindSystemFunction(L"shcore.dll", "GetDpiForMonitor"));
    if (getDpiForMonitor == nullptr)
    {
        return 0;
    }
    // While there is no taskbar, the main monitor, where it will appear.
    HMONITOR const monitor =
        MonitorFromWindow(FindWindowW(TASKBAR_WINDOW_CLASS, nullptr), MONITOR_DEFAULTTOPRIMARY);
    UINT dpiX = 0;
    UINT dpiY = 0;
    return SUCCEEDED(getDpiForMonitor(monitor, EFFECTIVE_DPI, &dpiX, &dpiY)) ? dpiX : 0;
}

void FillTrayIconRecord(HWND hwnd)
{
    g_nid.cbSize = sizeof(g_nid);
    g_nid.hWnd = hwnd;
    g_nid.uID = TRAY_ICON_ID;
    g_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_nid.uCallbackMessage = WM_TRAYICON;
    g_nid.hIcon = LoadTrayIcon(GetTaskbarDpi());
    wcscpy_s(g_nid.szTip, ARRAYSIZE(g_nid.szTip), TRAY_TIP);
    g_nid.uVersion = NOTIFY_ICON_VERSION;
}

// At logon the taskbar may not be there yet, and a busy Explorer lets the call
// time out without a "TaskbarCreated" to follow: without another try the program
// would run on with no way for the user to reach it.
void OfferTrayIconAgainLater()
{
    SetTimer(g_nid.hWnd, TRAY_RETRY_TIMER_ID, TRAY_RETRY_INTERVAL_MS, nullptr);
}

// The change comes before the add: on a display scale change Windows announces
// "TaskbarCreated" while our icon is still there, and an add then fails and
// leaves the old image; an add that timed out may have got there all the same.
void PlaceTrayIcon()
{
    if (Shell_NotifyIconW(NIM_MODIFY, &g_nid) || Shell_NotifyIconW(NIM_ADD, &g_nid))
    {
        KillTimer(g_nid.hWnd, TRAY_RETRY_TIMER_ID);
    }
    else
    {
        OfferTrayIconAgainLater();
    }
}
}

void AddTrayIcon(HWND hwnd)
{
    FillTrayIconRecord(hwnd);
    if (!Shell_NotifyIconW(NIM_ADD, &g_nid))
    {
        OfferTrayIconAgainLater();
    }
}

void RetryTrayIcon()
{
    if (g_nid.hWnd != nullptr)
    {
        PlaceTrayIcon();
    }
}

void RefreshTrayIcon()
{
    if (g_nid.hWnd == nullptr)
    {
        return;
    }
    HICON const previous = g_nid.hIcon;
    HICON const fresh = LoadTrayIcon(GetTaskbarDpi());
    if (fresh != nullptr)
    {
        g_nid.hIcon = fresh;
    }
    PlaceTrayIcon();
    // The shell keeps a copy of what it was handed; ours is no longer needed.
    if (fresh != nullptr && previous != nullptr)
    {
        DestroyIcon(previous);
    }
}

void DeleteTrayIcon()
{
    if (g_nid.hWnd == nullptr)
    {
        return;
    }
    KillTimer(g_nid.hWnd, TRAY_RETRY_TIMER_ID);
    Shell_NotifyIconW(NIM_DELETE, &g_nid);
    if (g_nid.hIcon != nullptr)
    {
        DestroyIcon(g_nid.hIcon);
    }
    g_nid = NOTIFYICONDATAW();
}

HICON LoadTrayIcon(UINT dpi)
{
    // We are aware of each monitor's scale, so GetSystemMetrics keeps answering
    // for the scale we started at.
    typedef int(WINAPI * GetSystemMetricsForDpiFn)(int, UINT);
    GetSystemMetricsForDpiFn const getSystemMetricsForDpi =
        reinterpret_cast<GetSystemMetricsForDpiFn>(
            FindSystemFunction(L"user32.dll", "GetSystemMetricsForDpi"));
    if (dpi == 0 || getSystemMetricsForDpi == nullptr)
    {
        return LoadProgramIcon(g_hInst, GetSystemMetrics(SM_CXSMICON),
                               GetSystemMetrics(SM_CYSMICON));
    }
    return LoadProgramIcon(g_hInst, getSystemMetricsForDpi(SM_CXSMICON, dpi),
                           getSystemMetricsForDpi(SM_CYSMICON, dpi));
}
