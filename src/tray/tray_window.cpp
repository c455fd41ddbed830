#include "tray/tray_window.h"

#include "common/message_box.h"
#include "common/system_function.h"
#include "driver/driver_tools.h"
#include "host/host_commands.h"
#include "host/stop_channel.h"

namespace
{
UINT const MENU_APPEND = 0xFFFFFFFF;
// WM_DPICHANGED, which headers for Vista do not define.
UINT const DPI_CHANGED_MESSAGE = 0x02E0;

wchar_t const TEXT_GREETING[] =
    L"程序已运行，请在右下角系统托盘中查找显示器图标，点击右键即可展开菜单\n\n"
    L"注意事项：务必以管理员模式启动，首次启动需安装驱动";
wchar_t const TEXT_EXIT_DONE[] = L"退出成功";

wchar_t const TASKBAR_CREATED[] = L"TaskbarCreated";

// Explorer broadcasts "TaskbarCreated" when it starts again, with a new, empty
// tray, and also when the display scale changes, with our icon still there. A
// registered message has no fixed number: it is asked for when the window
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

void ListenForTaskbarCreated(HWND hwnd);
void ShowTrayMenu(HWND hwnd);
void OnCommand(HWND hwnd, UINT command);
void ExitProgram(HWND hwnd);
void EndProgramQuietly();

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
    if (message == 0)
    {
        return;
    }
    ChangeWindowMessageFilterExFn const filterEx = reinterpret_cast<ChangeWindowMessageFilterExFn>(
        FindSystemFunction(L"user32.dll", "ChangeWindowMessageFilterEx"));
    if (filterEx != nullptr)
    {
        filterEx(hwnd, message, ALLOW_MESSAGE, nullptr);
        return;
    }
    ChangeWindowMessageFilterFn const filter = reinterpret_cast<ChangeWindowMessageFilterFn>(
        FindSystemFunction(L"user32.dll", "ChangeWindowMessageFilter"));
    if (filter != nullptr)
    {
        filter(message, ALLOW_MESSAGE);
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
    // and forgot our icon, or the display scale changed: hand it over afresh.
    if (message != 0 && message == g_taskbarCreatedMessage)
    {
        RefreshTrayIcon();
        return 0;
    }

    switch (message)
    {
    case WM_CREATE:
        AddTrayIcon(hwnd);
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

    case WM_TIMER:
        if (wParam == TRAY_RETRY_TIMER_ID)
        {
            RetryTrayIcon();
        }
        return 0;

    // The scale of the taskbar's monitor may have changed: an image of the old
    // size would be stretched by the shell, and blur.
    case DPI_CHANGED_MESSAGE:
    case WM_DISPLAYCHANGE:
        RefreshTrayIcon();
        return 0;

    case WM_DESTROY:
        EndProgramQuietly();
        return 0;

    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}
