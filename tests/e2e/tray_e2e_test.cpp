#include "tray_program.h"

typedef TrayProgramTest TrayExit;

TEST_F(TrayExit, ExitEntryStopsTheHostRemovesTheIconAndSaysSo)
{
    StartedProcess const host = StartHost();
    HWND window = nullptr;
    StartedProcess const program = StartTrayProgram(&window);

    ChooseFromTrayMenu(MENU_EXIT);

    SeenMessageBox const goodbye = AnswerMessageBox(program.id);
    ExpectMessageBox(goodbye, L"提示", L"退出成功", window, BoxIcon::Information);
    EXPECT_EQ(0, goodbye.trayIcons);
    EXPECT_EQ(0u, WaitForExit(program));
    EXPECT_EQ(0u, WaitForExit(host));
    EXPECT_NE(std::string::npos, HostLog(host.id).find("pipe 71756974\npipe-closed\n"));
}

TEST_F(TrayExit, ExitEntryWithoutAHostStillEndsCleanly)
{
    HWND window = nullptr;
    StartedProcess const program = StartTrayProgram(&window);

    ChooseFromTrayMenu(MENU_EXIT);

    SeenMessageBox const goodbye = AnswerMessageBox(program.id);
    EXPECT_EQ(L"退出成功", goodbye.text);
    EXPECT_EQ(0u, WaitForExit(program));
    EXPECT_EQ(0, CountTrayIcons());
}

TEST_F(TrayExit, ClosingTheHiddenWindowStopsTheHostAndEndsWithoutAWord)
{
    StartedProcess const host = StartHost();
    HWND window = nullptr;
    StartedProcess const program = StartTrayProgram(&window);

    MessageBoxAnswerer answerer;
    StartAnswering(&answerer, program.id);
    PostMessageW(window, WM_CLOSE, 0, 0);

    EXPECT_EQ(0u, WaitForExit(program));
    EXPECT_TRUE(StopAnswering(&answerer).empty());
    EXPECT_EQ(0u, WaitForExit(host));
    EXPECT_NE(std::string::npos, HostLog(host.id).find("pipe 71756974\n"));
    EXPECT_EQ(0, CountTrayIcons());
}

TEST_F(TrayExit, MenuOpensAgainAfterBeingDismissed)
{
    HWND window = nullptr;
    StartTrayProgram(&window);
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        ASSERT_TRUE(RightClickTrayIcon());
        HWND const menu = WaitForPopupMenu();
        ASSERT_NE(nullptr, menu) << attempt;
        DismissMenu(menu);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }));
    }
}
