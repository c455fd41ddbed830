#include "resource_counts.h"
#include "startup/startup.h"
#include "test_support.h"
#include "tray/tray_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace
{
wchar_t const PIPE_NAME[] = L"\\\\.\\pipe\\MyPipe";
wchar_t const HOST_IMAGE[] = L"PhantomDeskHost.exe";
int const DEFAULT_CYCLES = 100;
// Boxes one cycle shows: started, stopped, and five failures.
size_t const BOXES_PER_CYCLE = 7;
UINT const MN_GETHMENU_MESSAGE = 0x01E1;

int CyclesToRun()
{
    char const* cycles = std::getenv("PDT_ENDURANCE_CYCLES");
    return cycles != nullptr && std::atoi(cycles) > 0 ? std::atoi(cycles) : DEFAULT_CYCLES;
}

struct Counts
{
    int handles;
    int menus;
    int gdiObjects;
};

Counts Measure()
{
    return {CountKernelHandles(), CountMenus(), CountGdiObjects()};
}
}

// The program lives for days in the background: however often the user works
// the menu, each command must leave no handle, menu or GDI object behind.
class Endurance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host = DirectoryOfThisTest() + L"\\" + HOST_IMAGE;
        hostAway = host + L".away";
        ASSERT_TRUE(CopyFileW((DirectoryOfThisTest() + L"\\fake_screen_host.exe").c_str(), host.c_str(), FALSE));
        g_hInst = GetModuleHandleW(nullptr);
        RegisterTrayWindowClass();
        StartAnswering(&answerer, GetCurrentProcessId(), false);
        window = CreateTrayWindow(g_hInst);
        ASSERT_NE(nullptr, window);
        StartWatching(&menus, [] {
            HWND const menu = WaitForPopupMenu(0);
            if (menu != nullptr)
            {
                DismissMenu(menu);
                WaitUntil([&] { return !IsWindowVisible(menu); });
            }
        });
    }

    void TearDown() override
    {
        StopWatching(&menus);
        if (IsWindow(window))
        {
            DestroyWindow(window);
        }
        StopAnswering(&answerer);
        EndProcesses(HOST_IMAGE);
        DeleteFileW(host.c_str());
        DeleteFileW(hostAway.c_str());
        for (std::wstring const& log : ListFiles(DirectoryOfThisTest(), L"host-*.log"))
        {
            DeleteFileW((DirectoryOfThisTest() + L"\\" + log).c_str());
        }
    }

    void Command(UINT command)
    {
        SendMessageW(window, WM_COMMAND, command, 0);
    }

    // Everything the menu offers, the way a user would use it over a day.
    void RunCycle()
    {
        SendMessageW(window, WM_TRAYICON, 1, WM_RBUTTONUP);

        Command(CMD_START_SCREEN);
        ASSERT_TRUE(WaitUntil([] { return WaitNamedPipeW(PIPE_NAME, 1) != FALSE; }));
        Command(CMD_STOP_SCREEN);
        ASSERT_TRUE(WaitUntil([] { return FindProcesses(HOST_IMAGE).empty(); }));

        Command(CMD_STOP_SCREEN);
        Command(CMD_FORCE_CLOSE);
        Command(CMD_INSTALL_DRIVER);
        Command(CMD_UNINSTALL_DRIVER);
        ASSERT_TRUE(MoveFileW(host.c_str(), hostAway.c_str()));
        Command(CMD_START_SCREEN);
        ASSERT_TRUE(MoveFileW(hostAway.c_str(), host.c_str()));
    }

    std::wstring host;
    std::wstring hostAway;
    MessageBoxAnswerer answerer;
    Watcher menus;
    HWND window = nullptr;
};

TEST_F(Endurance, CommandsLeaveNoHandleMenuOrGdiObjectBehind)
{
    // The first use loads what stays loaded (message box resources, fonts).
    RunCycle();
    Counts const before = Measure();

    int const cycles = CyclesToRun();
    for (int i = 0; i < cycles; ++i)
    {
        RunCycle();
    }
    Counts const after = Measure();

    std::printf("endurance: %d cycles; kernel handles %d -> %d; menus %d -> %d; GDI objects %d -> %d\n",
                cycles, before.handles, after.handles, before.menus, after.menus, before.gdiObjects,
                after.gdiObjects);
    EXPECT_EQ(before.handles, after.handles);
    EXPECT_EQ(before.menus, after.menus);
    EXPECT_EQ(before.gdiObjects, after.gdiObjects);
    EXPECT_GE(answerer.seen.size(), BOXES_PER_CYCLE * (cycles + 1));
    EXPECT_TRUE(IsWindow(window));
}
