#include "startup/startup.h"
#include "test_support.h"
#include "tray/tray_window.h"

#include <gtest/gtest.h>

#include <utility>

namespace
{
UINT const MN_GETHMENU_MESSAGE = 0x01E1;

typedef std::vector<std::pair<UINT, std::wstring>> MenuEntries;

MenuEntries ReadMenu(HMENU menu)
{
    MenuEntries entries;
    int const count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
    {
        wchar_t text[128] = {};
        GetMenuStringW(menu, i, text, ARRAYSIZE(text), MF_BYPOSITION);
        entries.emplace_back(GetMenuItemID(menu, i), text);
    }
    return entries;
}

MenuEntries const EXPECTED_MENU = {
    {1, L"启动虚拟屏幕"},  {2, L"停止虚拟屏幕"}, {6, L"强制关闭虚拟屏幕"},
    {4, L"安装/修复驱动"}, {5, L"卸载驱动"},     {3, L"退出"},
};

// Reads what each popup menu of this process holds, then closes it.
void StartWatchingMenus(Watcher* watcher, std::vector<MenuEntries>* opened)
{
    StartWatching(watcher, [opened] {
        HWND const menuWindow = WaitForPopupMenu(0);
        if (menuWindow != nullptr)
        {
            HMENU const menu =
                reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU_MESSAGE, 0, 0));
            opened->push_back(ReadMenu(menu));
            DismissMenu(menuWindow);
            WaitUntil([&] { return !IsWindowVisible(menuWindow); });
        }
    });
}

// The code of a pending quit request, or -1 when there is none.
int TakeQuitRequest()
{
    MSG message = {};
    return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)
               ? static_cast<int>(message.wParam)
               : -1;
}
}

class TrayWindow : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        g_hInst = GetModuleHandleW(nullptr);
        RegisterTrayWindowClass();
    }

    void SetUp() override
    {
        iconsBefore = CountTrayIcons();
        StartAnswering(&answerer, GetCurrentProcessId());
        window = CreateTrayWindow(g_hInst);
        ASSERT_NE(nullptr, window);
        std::vector<SeenMessageBox> const seen = StopAnswering(&answerer);
        ASSERT_EQ(1u, seen.size());
        greeting = seen[0];
    }

    void TearDown() override
    {
        if (IsWindow(window))
        {
            DestroyWindow(window);
        }
        TakeQuitRequest();
    }

    int iconsBefore = 0;
    MessageBoxAnswerer answerer;
    HWND window = nullptr;
    SeenMessageBox greeting;
};

TEST_F(TrayWindow, AddsItsIconAndGreetsTheUserWhenCreated)
{
    ExpectMessageBox(greeting, L"提示",
                     L"程序已运行，请在右下角系统托盘中查找显示器图标，点击右键即可展开菜单\n\n"
                     L"注意事项：务必以管理员模式启动，首次启动需安装驱动",
                     window, BoxIcon::Information);
    EXPECT_EQ(iconsBefore + 1, greeting.trayIcons);
    EXPECT_EQ(iconsBefore + 1, CountTrayIcons());
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(sizeof(NOTIFYICONDATAW), g_nid.cbSize);
    EXPECT_STREQ(L"虚拟屏幕", g_nid.szTip);
    // The shell shows it at the small-icon size: an icon of that size is drawn
    // as it is, any other is scaled and blurs.
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(g_nid.hIcon, &info));
    BITMAP colour = {};
    GetObjectW(info.hbmColor, sizeof(colour), &colour);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), colour.bmWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), colour.bmHeight);
}

TEST_F(TrayWindow, MenuHoldsTheSixEntriesInOrder)
{
    HMENU const menu = CreateTrayMenu();
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(EXPECTED_MENU, ReadMenu(menu));
    DestroyMenu(menu);
}

TEST_F(TrayWindow, OpensTheMenuOnARightClickOnly)
{
    Watcher watcher;
    std::vector<MenuEntries> ignored;
    StartWatchingMenus(&watcher, &ignored);
    for (LPARAM event : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                         WM_MOUSEMOVE, WM_CONTEXTMENU})
    {
        EXPECT_EQ(0, SendMessageW(window, WM_TRAYICON, 1, event)) << event;
    }
    StopWatching(&watcher);
    EXPECT_TRUE(ignored.empty());

    std::vector<MenuEntries> opened;
    StartWatchingMenus(&watcher, &opened);
    EXPECT_EQ(0, SendMessageW(window, WM_TRAYICON, 1, WM_RBUTTONUP));
    StopWatching(&watcher);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(EXPECTED_MENU, opened[0]);

    // The message after the menu that lets the next right click open it cleanly.
    MSG message = {};
    EXPECT_TRUE(PeekMessageW(&message, window, WM_NULL, WM_NULL, PM_REMOVE));
}

TEST_F(TrayWindow, IgnoresUnknownCommands)
{
    StartAnswering(&answerer, GetCurrentProcessId());
    for (WPARAM command : {0, 7, 8, 100, 0xFFFF})
    {
        EXPECT_EQ(0, SendMessageW(window, WM_COMMAND, command, 0)) << command;
    }
    EXPECT_TRUE(ShowsNoMessageBox(GetCurrentProcessId(), 300));
    EXPECT_TRUE(StopAnswering(&answerer).empty());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(iconsBefore + 1, CountTrayIcons());
    EXPECT_EQ(-1, TakeQuitRequest());
}

TEST_F(TrayWindow, ExitCommandRemovesTheIconAndSaysSo)
{
    StartAnswering(&answerer, GetCurrentProcessId());

    EXPECT_EQ(0, SendMessageW(window, WM_COMMAND, CMD_EXIT, 0));

    std::vector<SeenMessageBox> const seen = StopAnswering(&answerer);
    ASSERT_EQ(1u, seen.size());
    ExpectMessageBox(seen[0], L"提示", L"退出成功", window, BoxIcon::Information);
    EXPECT_EQ(iconsBefore, seen[0].trayIcons);
    EXPECT_EQ(0, TakeQuitRequest());
    // The loop's end takes the window with the process.
    EXPECT_TRUE(IsWindow(window));

    // Explorer restarting before the program has ended must not bring it back.
    SendMessageW(window, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_FALSE(WaitUntil([&] { return CountTrayIcons() > iconsBefore; }, QUIET_PERIOD_MS));
}

// A user may leave a box open and choose again from the menu, over and over:
// each command then runs inside the box of the one before.
TEST_F(TrayWindow, CommandsRunInsideEachOthersBoxesAtAnyDepth)
{
    int const depth = 48;
    DWORD const self = GetCurrentProcessId();
    int chosen = 1;
    bool answering = false;
    Watcher chooser;
    StartWatching(&chooser, [&] {
        int const open = CountMessageBoxes(self);
        if (!answering && open == depth)
        {
            StartAnswering(&answerer, self, false);
            answering = true;
        }
        else if (!answering && open == chosen)
        {
            // No installer lies beside the tests: each choice shows its error.
            PostMessageW(window, WM_COMMAND, CMD_INSTALL_DRIVER, 0);
            ++chosen;
        }
    });

    SendMessageW(window, WM_COMMAND, CMD_INSTALL_DRIVER, 0);

    StopWatching(&chooser);
    ASSERT_TRUE(answering);
    EXPECT_EQ(static_cast<size_t>(depth), StopAnswering(&answerer).size());
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(TrayWindow, ClosingTheWindowEndsSilently)
{
    StartAnswering(&answerer, GetCurrentProcessId());

    EXPECT_EQ(0, SendMessageW(window, WM_CLOSE, 0, 0));

    EXPECT_TRUE(StopAnswering(&answerer).empty());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(iconsBefore, CountTrayIcons());
    EXPECT_EQ(0, TakeQuitRequest());
}

// After Explorer restarts the tray is empty; without this the program would
// run on with no way for the user to reach it.
TEST_F(TrayWindow, PutsItsIconBackWhenTheTaskbarIsCreatedAgain)
{
    Shell_NotifyIconW(NIM_DELETE, &g_nid);
    ASSERT_TRUE(WaitUntil([&] { return CountTrayIcons() == iconsBefore; }));

    EXPECT_EQ(0, SendMessageW(window, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0));

    EXPECT_TRUE(WaitUntil([&] { return CountTrayIcons() == iconsBefore + 1; }));
}

// A display scale change brings "TaskbarCreated", WM_DPICHANGED or
// WM_DISPLAYCHANGE while the icon is still there: the tray must then show a
// freshly loaded image, not keep the old one.
TEST_F(TrayWindow, ScaleChangeWithTheIconStillThereShowsAFreshImage)
{
    int const WHOLE_GLASS = 100;
    UINT const DPI_CHANGED = 0x02E0;
    for (UINT message : {RegisterWindowMessageW(L"TaskbarCreated"), DPI_CHANGED,
                         static_cast<UINT>(WM_DISPLAYCHANGE)})
    {
        SCOPED_TRACE(message);
        // An image of another scale, as the tray would still show it.
        HICON const loaded = g_nid.hIcon;
        g_nid.hIcon = CopyIcon(LoadIconW(nullptr, IDI_ERROR));
        ASSERT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &g_nid));
        DestroyIcon(loaded);
        ASSERT_TRUE(
            WaitUntil([] { return CountIconColours(CaptureTrayIcon()).glass < WHOLE_GLASS; }));

        // WM_DPICHANGED carries the window's suggested new place.
        RECT suggested = {};
        EXPECT_EQ(0, SendMessageW(window, message, 0, reinterpret_cast<LPARAM>(&suggested)));

        EXPECT_TRUE(
            WaitUntil([] { return CountIconColours(CaptureTrayIcon()).glass >= WHOLE_GLASS; }));
        EXPECT_EQ(iconsBefore + 1, CountTrayIcons());
    }
}
