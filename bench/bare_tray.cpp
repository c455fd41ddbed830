// The least a tray program can do that looks like phantomDeskTray to the user:
// one notice, a hidden window, one tray icon, a message loop and the same popup
// menu on a right click. The benchmark measures phantomDeskTray against it.

#include "resources/resource.h"

#include <windows.h>
#include <shellapi.h>

namespace
{
UINT const WM_TRAYICON = WM_APP;
UINT const CMD_EXIT = 3;
UINT const MENU_APPEND = 0xFFFFFFFF;
wchar_t const WINDOW_CLASS[] = L"BareTrayWindow";

struct MenuEntry
{
    UINT id;
    wchar_t const* text;
};

MenuEntry const MENU[] = {
    {1, L"启动虚拟屏幕"},  {2, L"停止虚拟屏幕"}, {6, L"强制关闭虚拟屏幕"},
    {4, L"安装/修复驱动"}, {5, L"卸载驱动"},     {CMD_EXIT, L"退出"},
};

NOTIFYICONDATAW g_nid = {};

void ShowMenu(HWND hwnd)
{
    POINT cursor = {};
    GetCursorPos(&cursor);
    HMENU const menu = CreatePopupMenu();
    for (MenuEntry const& entry : MENU)
    {
        InsertMenuW(menu, MENU_APPEND, MF_BYPOSITION | MF_STRING, entry.id, entry.text);
    }
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu, TPM_BOTTOMALIGN, cursor.x, cursor.y, 0, hwnd, nullptr);
    PostMessageW(hwnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

LRESULT CALLBACK BareWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_CREATE:
        g_nid.cbSize = sizeof(g_nid);
        g_nid.hWnd = hwnd;
        g_nid.uID = 1;
        g_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        g_nid.uCallbackMessage = WM_TRAYICON;
        g_nid.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ICON_APP));
        lstrcpynW(g_nid.szTip, L"虚拟屏幕", ARRAYSIZE(g_nid.szTip));
        Shell_NotifyIconW(NIM_ADD, &g_nid);
        return 0;
    case WM_TRAYICON:
        if (lParam == WM_RBUTTONUP)
        {
            ShowMenu(hwnd);
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == CMD_EXIT)
        {
            DestroyWindow(hwnd);
        }
        return 0;
    case WM_DESTROY:
        Shell_NotifyIconW(NIM_DELETE, &g_nid);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    MessageBoxW(nullptr, L"已允许管理员启动", L"提示", MB_OK);

    WNDCLASSEXW windowClass = {sizeof(windowClass)};
    windowClass.lpfnWndProc = BareWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = WINDOW_CLASS;
    RegisterClassExW(&windowClass);
    CreateWindowExW(0, WINDOW_CLASS, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                    nullptr, nullptr, instance, nullptr);

    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
