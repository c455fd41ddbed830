#include "resource_counts.h"
#include "startup/startup.h"
#include "test_support.h"
#include "tray/tray_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace
{
int const DEFAULT_CYCLES = 100;
// Boxes one cycle shows: started, stopped, and five failures.
size_t const BOXES_PER_CYCLE = 7;

int CyclesToRun()
{
    char const* cycles = std::getenv("PDT_ENDURANCE_CYCLES");
    return cycles != nullptr && std::atoi(cycles) > 0 ? std::atoi(cycles) : DEFAULT_CYCLES;
}

struct Counts
{
    std::set<unsigned long long> handles;
    int menus;
    int gdiObjects;
};

Counts Measure()
{
    return {ListKernelHandles(), CountMenus(), CountGdiObjects()};
}

// The kinds of the handles that after holds and before did not.
std::string NewHandles(Counts const& before, Counts const& after)
{
    std::string added;
    for (unsigned long long handle : after.handles)
    {
        if (before.handles.count(handle) == 0)
        {
            added += " " + KernelHandleType(handle);
        }
    }
    return added;
}
}

// The program lives for days in the background: however often the user works
// the menu, each command must leave no handle, menu or GDI object behind.
class Endurance : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host = OwnDirectory() + L"\\" + HOST_IMAGE;
        hostAway = host + L".away";
        ASSERT_TRUE(
            CopyFileW((OwnDirectory() + L"\\fake_screen_host.exe").c_str(), host.c_str(), FALSE));
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
        for (std::wstring const& log : ListFiles(OwnDirectory(), L"host-*.log"))
        {
            DeleteFileW((OwnDirectory() + L"\\" + log).c_str());
        }
    }

    // A host that Windows would not start looks here like one the program lost:
    // the host's own log tells them apart.
    static std::string WhyNoHostListens(size_t hostsBefore)
    {
        if (!FindProcesses(HOST_IMAGE).empty())
        {
            return "a stand-in host runs but does not serve the stop channel";
        }
        if (ListFiles(OwnDirectory(), L"host-*.log").size() > hostsBefore)
        {
            return "the stand-in host started and ended without serving the stop channel";
        }
        return "the stand-in host never ran: Windows did not start it although its file is "
               "there. Not the program's fault if Wine printed \"failed to map the shared user "
               "data\" (see scripts/wine-run.sh)";
    }

    void Command(UINT command)
    {
        SendMessageW(window, WM_COMMAND, command, 0);
    }

    // Everything the menu offers, the way a user would use it over a day.
    void RunCycle()
    {
        SendMessageW(window, WM_TRAYICON, 1, WM_RBUTTONUP);
        // As on every display scale change: a fresh image for the tray.
        SendMessageW(window, taskbarCreated, 0, 0);

        size_t const hostsBefore = ListFiles(OwnDirectory(), L"host-*.log").size();
        Command(CMD_START_SCREEN);
        ASSERT_TRUE(WaitUntil([] { return WaitNamedPipeW(STOP_CHANNEL_PIPE, 1) != FALSE; }))
            << WhyNoHostListens(hostsBefore);
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

    UINT const taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    std::wstring host;
    std::wstring hostAway;
    MessageBoxAnswerer answerer;
    Watcher menus;
    HWND window = nullptr;
};

TEST_F(Endurance, CommandsLeaveNoHandleMenuOrGdiObjectBehind)
{
    // The first use loads what stays loaded (message box resources, fonts).
    ASSERT_NO_FATAL_FAILURE(RunCycle());
    Counts const before = Measure();

    int const cycles = CyclesToRun();
    for (int i = 0; i < cycles; ++i)
    {
        ASSERT_NO_FATAL_FAILURE(RunCycle()) << "in cycle " << i + 1;
    }
    // Give handles that Wine holds for a moment (while a child process ends, say)
    // the time to go; a leak stays.
    Counts after = Measure();
    WaitUntil(
        [&] {
            after = Measure();
            return after.handles.size() <= before.handles.size() && after.menus <= before.menus &&
                   after.gdiObjects <= before.gdiObjects;
        },
        3000);

    std::printf(
        "endurance: %d cycles; kernel handles %zu -> %zu; menus %d -> %d; GDI objects %d -> %d\n",
        cycles, before.handles.size(), after.handles.size(), before.menus, after.menus,
        before.gdiObjects, after.gdiObjects);
    EXPECT_EQ(before.handles.size(), after.handles.size()) << "new:" << NewHandles(before, after);
    EXPECT_EQ(before.menus, after.menus);
    EXPECT_EQ(before.gdiObjects, after.gdiObjects);
    EXPECT_GE(answerer.seen.size(), BOXES_PER_CYCLE * (cycles + 1));
    EXPECT_TRUE(IsWindow(window));
}
