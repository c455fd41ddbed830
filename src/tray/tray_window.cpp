#include "tray/tray_window.h"

#include "common/message_box.h"
#include "common/program_icon.h"
#include "driver/driver_tools.h"
#include "host/host_commands.h"
#include "host/stop_channel.h"
#include "startup/startup.h"

#include <cwchar>

NOTIFYICONDATAW g_nid = {};

namespace
{
UINT const TRAY_ICON_ID = 1;
UINT const NOTIFY_ICON_VERSION = 3;
UINT const MENU_APPEND = 0xFFFFFFFF;

wchar_t const TRAY_TIP[] = L"虚拟屏幕";
wchar_t const TEXT_GREETING[] =
    L"程序已运行，请在右下角系统托盘中查找显示器图标，点击右键即可展开菜单\n\n"
    L"注意事项：务必以管理员模式启动，首次启动需安装驱动";
wchar_t const TEXT_EXIT_DONE[] = L"退出成功";

wchar_t const TASKBAR_CREATED[] = L"TaskbarCreated";

// Explorer broadcasts "TaskbarCreated" when it starts again, with a new, empty
// tray. A registered message has no fixed number: it is asked for when the window
// is created, not before the program starts; 0 until then or if that failed.
UINT g_taskbarCreatedMessage = 0;

struct TrayMenuEntry
{
    UINT id;
    wchar_t const* text;
};

// In menu order, one entry a line as the menu shows them; the identifiers are not
// in order.
// clang-format off
TrayMenuEntry const TRAY_MENU[] = {
    {CMD_START_SCREEN, L"启动虚拟屏幕"},
    {CMD_STOP_SCREEN, L"停止虚拟屏幕"},
    {CMD_FORCE_CLOSE, L"强制关闭虚拟屏幕"},
    {CMD_INSTALL_DRIVER, L"安装/修复驱动"},
    {CMD_UNINSTALL_DRIVER, L"卸载驱动"},
    {CMD_EXIT, L"退出"},
};
// clang-format on

void FillTrayIconRecord(HWND hwnd);
void AddTrayIcon();
void DeleteTrayIcon();
void RestoreTrayIcon();
void ListenForTaskbarCreated(HWND hwnd);
void ShowTrayMenu(HWND hwnd);
void OnCommand(HWND hwnd, UINT command);
void ExitProgram(HWND hwnd);
void EndProgramQuietly();

void FillTrayIconRecord(HWND hwnd)
{
    g_nid.cbSize = sizeof(g_nid);
    g_nid.hWnd = hwnd;
    g_nid.uID = TRAY_ICON_ID;
    g_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_nid.uCallbackMessage = WM_TRAYICON;
    // The shell shows tray icons at the small-icon size.
    g_nid.hIcon = LoadProgramIcon(g_hInst, SM_CXSMICON, SM_CYSMICON);
    wcscpy_s(g_nid.szTip, ARRAYSIZE(g_nid.szTip), TRAY_TIP);
    g_nid.uVersion = NOTIFY_ICON_VERSION;
}

void AddTrayIcon()
{
    Shell_NotifyIconW(NIM_ADD, &g_nid);
}

// Once deleted, the icon stays away: the record is cleared, so a later
// "TaskbarCreated" (Explorer restarting while "退出成功" is still open) finds
// nothing to put back.
void DeleteTrayIcon()
{
    if (g_nid.hWnd != nullptr)
    {
        Shell_NotifyIconW(NIM_DELETE, &g_nid);
        g_nid = NOTIFYICONDATAW();
    }
}

void RestoreTrayIcon()
{
    if (g_nid.hWnd != nullptr)
    {
        AddTrayIcon();
    }
}

// We run elevated and Explorer does not, so Windows drops Explorer's broadcast
// unless we let it in. The per-window filter exists from Windows 7, the
// process-wide one from Vista; look both up so the program starts on either.
void ListenForTaskbarCreated(HWND hwnd)
{
    typedef BOOL(WINAPI * ChangeWindowMessageFilterExFn)(HWND, UINT, DWORD, void*);
    typedef BOOL(WINAPI * ChangeWindowMessageFilterFn)(UINT, DWORD);
    DWORD const ALLOW_MESSAGE = 1; // MSGFLT_ALLOW and MSGFLT_ADD alike

    g_taskbarCreatedMessage = RegisterWindowMessageW(TASKBAR_CREATED);
    UINT const message = g_taskbarCreatedMessage;
    HMODULE const user32 = GetModuleHandleW(L"user32.dll");
    if (message == 0 || user32 == nullptr)
    {
        return;
    }
    FARPROC const filterEx = GetProcAddress(user32, "ChangeWindowMessageFilterEx");
    if (filterEx != nullptr)
    {
        reinterpret_cast<ChangeWindowMessageFilterExFn>(reinterpret_cast<void*>(filterEx))(
            hwnd, message, ALLOW_MESSAGE, nullptr);
        return;
    }
    FARPROC const filter = GetProcAddress(user32, "ChangeWindowMessageFilter");
    if (filter != nullptr)
    {
        reinterpret_cast<ChangeWindowMessageFilterFn>(reinterpret_cast<void*>(filter))(
            message, ALLOW_MESSAGE);
    }
}

void ShowTrayMenu(HWND hwnd)
{
    POINT cursor = {};
    GetCursorPos(&cursor);

    HMENU const menu = CreateTrayMenu();
    if (menu == nullptr)
    {
        return;
    }
    // Our window must be foreground before TrackPopupMenu, or the menu will not go
    // away when the user clicks elsewhere.
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu, TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, hwnd, nullptr);
    // Without a message after the menu, the next right click can find it still
    // half-open and show nothing.
    PostMessageW(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void OnCommand(HWND hwnd, UINT command)
{
    switch (command)
    {
    case CMD_START_SCREEN:
        StartScreenHost(hwnd);
        break;
    case CMD_STOP_SCREEN:
        StopScreenHost();
        break;
    case CMD_EXIT:
        ExitProgram(hwnd);
        break;
    case CMD_INSTALL_DRIVER:
        RunDriverTool(DRIVER_OP_INSTALL);
        break;
    case CMD_UNINSTALL_DRIVER:
        RunDriverTool(DRIVER_OP_UNINSTALL);
        break;
    case CMD_FORCE_CLOSE:
        ForceCloseScreenHost(hwnd);
        break;
    default:
        break;
    }
}

void ExitProgram(HWND hwnd)
{
    SendQuitToHost();
    DeleteTrayIcon();
    ShowNotice(hwnd, TEXT_EXIT_DONE);
    PostQuitMessage(0);
}

// The window is going away without the exit command (closed or destroyed from
// outside): the same clean-up, with nobody to tell.
void EndProgramQuietly()
{
    SendQuitToHost();
    DeleteTrayIcon();
    PostQuitMessage(0);
}
}

HMENU CreateTrayMenu()
{
    HMENU const menu = CreatePopupMenu();
    if (menu == nullptr)
    {
        return nullptr;
    }
    for (TrayMenuEntry const& entry : TRAY_MENU)
    {
        InsertMenuW(menu, MENU_APPEND, MF_BYPOSITION | MF_STRING, entry.id, entry.text);
    }
    return menu;
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Not a case label: its number is known only at run time. Explorer restarted
    // and forgot our icon: put it back.
    if (message != 0 && message == g_taskbarCreatedMessage)
    {
        RestoreTrayIcon();
        return 0;
    }

    switch (message)
    {
    case WM_CREATE:
        FillTrayIconRecord(hwnd);
        AddTrayIcon();
        ListenForTaskbarCreated(hwnd);
        ShowNotice(hwnd, TEXT_GREETING);
        return 0;

    case WM_TRAYICON:
        if (lParam == WM_RBUTTONUP)
        {
            ShowTrayMenu(hwnd);
        }
        return 0;

    case WM_COMMAND:
        OnCommand(hwnd, LOWORD(wParam));
        return 0;

    case WM_DESTROY:
        EndProgramQuietly();
        return 0;

    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}
