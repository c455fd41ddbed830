#include "tray_program.h"

namespace
{
wchar_t const TEXT_STARTED[] = L"虚拟屏幕已启动，请在桌面右键打开菜单进入\u201C显示设置\u201D进行设置";
wchar_t const TEXT_FORCE_CLOSED[] =
    L"已强制关闭虚拟屏幕进程，若问题仍持续存在，尝试卸载并重新安装驱动或重新启动计算机";
wchar_t const TEXT_NO_HOST_PROCESS[] =
    L"未找到虚拟屏幕进程，若问题确实存在，尝试卸载并重新安装驱动或重新启动计算机";

}

class ScreenHost : public TrayProgramTest
{
protected:
    void SetUp() override
    {
        TrayProgramTest::SetUp();
        program = StartTrayProgram(&window);
    }

    SeenMessageBox Choose(int position)
    {
        ChooseFromTrayMenu(position);
        return AnswerMessageBox(program.id);
    }

    StartedProcess program;
    HWND window = nullptr;
};

TEST_F(ScreenHost, StartRunsTheHostHiddenWithoutArguments)
{
    ExpectMessageBox(Choose(MENU_START_SCREEN), L"提示", TEXT_STARTED, window, BoxIcon::Information);

    ASSERT_EQ(1u, FindProcesses(HOST_IMAGE).size());
    // The host notes its start in its own time.
    std::vector<DWORD> hosts;
    ASSERT_TRUE(WaitUntil([&] { return (hosts = LoggedHosts()).size() == 1 && !HostLog(hosts[0]).empty(); }));
    EXPECT_TRUE(StartedPlainly(HostLog(hosts[0]), HostPath(), SW_HIDE)) << HostLog(hosts[0]);
}

TEST_F(ScreenHost, StartTwiceRunsTwoHosts)
{
    ExpectMessageBox(Choose(MENU_START_SCREEN), L"提示", TEXT_STARTED, window, BoxIcon::Information);
    ExpectMessageBox(Choose(MENU_START_SCREEN), L"提示", TEXT_STARTED, window, BoxIcon::Information);

    EXPECT_TRUE(WaitUntil([&] { return LoggedHosts().size() == 2; }));
    EXPECT_EQ(2u, FindProcesses(HOST_IMAGE).size());
}

TEST_F(ScreenHost, StartWithoutTheHostSaysItCannotStart)
{
    ASSERT_TRUE(DeleteFileW(HostPath().c_str()));

    ExpectMessageBox(Choose(MENU_START_SCREEN), L"错误", L"无法启动，请检查程序是否正确安装", window,
              BoxIcon::Error);
    EXPECT_TRUE(FindProcesses(HOST_IMAGE).empty());
}

TEST_F(ScreenHost, StopSendsQuitAndReportsTheHostClosed)
{
    StartedProcess const host = StartHost();

    ExpectMessageBox(Choose(MENU_STOP_SCREEN), L"提示", L"已关闭虚拟屏幕", nullptr, BoxIcon::Information);

    EXPECT_EQ(0u, WaitForExit(host));
    std::string const log = HostLog(host.id);
    EXPECT_NE(std::string::npos, log.find("listening\npipe 71756974\npipe-closed\nexit\n")) << log;
}

TEST_F(ScreenHost, StopWithoutAHostSaysItFoundNone)
{
    ExpectMessageBox(Choose(MENU_STOP_SCREEN), L"错误",
              L"找不到虚拟屏幕，若虚拟屏幕仍在运行，首先尝试强制关闭功能", nullptr, BoxIcon::Error);
}

TEST_F(ScreenHost, ForceCloseAsksTheWindowsOfEveryHostToClose)
{
    GiveHostsAWindow();
    StartedProcess const first = StartHost();
    StartedProcess const second = StartHost();

    ExpectMessageBox(Choose(MENU_FORCE_CLOSE), L"提示", TEXT_FORCE_CLOSED, window, BoxIcon::Information);

    EXPECT_EQ(0u, WaitForExit(first));
    EXPECT_EQ(0u, WaitForExit(second));
    EXPECT_NE(std::string::npos, HostLog(first.id).find("WM_CLOSE\n"));
    EXPECT_NE(std::string::npos, HostLog(second.id).find("WM_CLOSE\n"));
}

TEST_F(ScreenHost, ForceCloseOfAWindowlessHostReportsSuccessAndLeavesItRunning)
{
    StartedProcess const host = StartHost();

    ExpectMessageBox(Choose(MENU_FORCE_CLOSE), L"提示", TEXT_FORCE_CLOSED, window, BoxIcon::Information);

    EXPECT_EQ(STILL_ACTIVE, WaitForExit(host, QUIET_PERIOD_MS));
    EXPECT_EQ(std::string::npos, HostLog(host.id).find("WM_CLOSE"));
}

TEST_F(ScreenHost, ForceCloseWithoutAHostProcessSaysItFoundNone)
{
    ExpectMessageBox(Choose(MENU_FORCE_CLOSE), L"错误", TEXT_NO_HOST_PROCESS, window, BoxIcon::Error);
}

TEST_F(ScreenHost, ForceCloseLeavesProgramsWithSimilarNamesAlone)
{
    GiveHostsAWindow();
    std::wstring const lookalike = folder + L"\\MyPhantomDeskHost.exe";
    ASSERT_TRUE(CopyFileW(HostPath().c_str(), lookalike.c_str(), FALSE));
    StartedProcess const other = StartProcess(lookalike);
    started.push_back(other);
    ASSERT_TRUE(WaitUntil([&] { return HostLog(other.id).find("window\n") != std::string::npos; }));

    ExpectMessageBox(Choose(MENU_FORCE_CLOSE), L"错误", TEXT_NO_HOST_PROCESS, window, BoxIcon::Error);

    EXPECT_EQ(STILL_ACTIVE, WaitForExit(other, QUIET_PERIOD_MS));
    EXPECT_EQ(std::string::npos, HostLog(other.id).find("WM_CLOSE"));
}

TEST_F(ScreenHost, ForceCloseFindsTheHostWhateverTheLetterCaseOfItsName)
{
    std::wstring const otherFolder = folder + L"\\大写";
    ASSERT_TRUE(CreateDirectoryW(otherFolder.c_str(), nullptr));
    WriteTextFile(otherFolder + L"\\host-window.marker", "");
    std::wstring const upperCase = otherFolder + L"\\PHANTOMDESKHOST.EXE";
    ASSERT_TRUE(CopyFileW(HostPath().c_str(), upperCase.c_str(), FALSE));
    StartedProcess const host = StartProcess(upperCase);
    started.push_back(host);
    ASSERT_TRUE(WaitUntil([&] { return HostLog(host.id, otherFolder).find("window\n") != std::string::npos; }));

    ExpectMessageBox(Choose(MENU_FORCE_CLOSE), L"提示", TEXT_FORCE_CLOSED, window, BoxIcon::Information);

    EXPECT_EQ(0u, WaitForExit(host));
    EXPECT_NE(std::string::npos, HostLog(host.id, otherFolder).find("WM_CLOSE\n"));
    CloseProcess(&started.back());
    started.pop_back();
    RemoveFolder(otherFolder);
}
