#include "tray_program.h"

namespace
{
wchar_t const TEXT_STARTED[] =
    L"虚拟屏幕已启动，请在桌面右键打开菜单进入\u201C显示设置\u201D进行设置";
wchar_t const TEXT_FORCE_CLOSED[] =
    L"已强制关闭虚拟屏幕进程，若问题仍持续存在，尝试卸载并重新安装驱动或重新启动计算机";
wchar_t const TEXT_NO_HOST_PROCESS[] =
    L"未找到虚拟屏幕进程，若问题确实存在，尝试卸载并重新安装驱动或重新启动计算机";
wchar_t const TEXT_NO_HOST[] = L"找不到虚拟屏幕，若虚拟屏幕仍在运行，首先尝试强制关闭功能";
// However stuck the screen host, the tray answers within this time.
DWORD const STUCK_HOST_ANSWER_MS = 3000;
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

    // Chooses the entry and returns how long the program took to show its box,
    // which is left open.
    DWORD ChooseAndTimeTheAnswer(int position)
    {
        ChooseFromTrayMenu(position);
        DWORD const chosen = GetTickCount();
        EXPECT_TRUE(WaitUntil([&] { return FindMessageBox(program.id) != nullptr; }));
        return GetTickCount() - chosen;
    }

    StartedProcess program;
    HWND window = nullptr;
};

TEST_F(ScreenHost, StartRunsTheHostHiddenWithoutArguments)
{
    ExpectMessageBox(Choose(MENU_START_SCREEN), L"提示", TEXT_STARTED, window,
                     BoxIcon::Information);

    ASSERT_EQ(1u, FindProcesses(HOST_IMAGE).size());
    // The host notes its start in its own time.
    std::vector<DWORD> hosts;
    ASSERT_TRUE(WaitUntil(
        [&] { return (hosts = LoggedHosts()).size() == 1 && !HostLog(hosts[0]).empty(); }));
    EXPECT_TRUE(StartedPlainly(HostLog(hosts[0]), HostPath(), SW_HIDE)) << HostLog(hosts[0]);
}

TEST_F(ScreenHost, StartTwiceRunsTwoHosts)
{
    ExpectMessageBox(Choose(MENU_START_SCREEN), L"提示", TEXT_STARTED, window,
                     BoxIcon::Information);
    ExpectMessageBox(Choose(MENU_START_SCREEN), L"提示", TEXT_STARTED, window,
                     BoxIcon::Information);

    EXPECT_TRUE(WaitUntil([&] { return LoggedHosts().size() == 2; }));
    EXPECT_EQ(2u, FindProcesses(HOST_IMAGE).size());
}

TEST_F(ScreenHost, StartWithoutTheHostSaysItCannotStart)
{
    ASSERT_TRUE(DeleteFileW(HostPath().c_str()));

    ExpectMessageBox(Choose(MENU_START_SCREEN), L"错误", L"无法启动，请检查程序是否正确安装",
                     window, BoxIcon::Error);
    EXPECT_TRUE(FindProcesses(HOST_IMAGE).empty());
}

TEST_F(ScreenHost, StopSendsQuitAndReportsTheHostClosed)
{
    StartedProcess const host = StartHost();

    ExpectMessageBox(Choose(MENU_STOP_SCREEN), L"提示", L"已关闭虚拟屏幕", nullptr,
                     BoxIcon::Information);

    EXPECT_EQ(0u, WaitForExit(host));
    std::string const log = HostLog(host.id);
    EXPECT_NE(std::string::npos, log.find("listening\npipe 71756974\npipe-closed\nexit\n")) << log;
}

TEST_F(ScreenHost, StopWithoutAHostSaysItFoundNone)
{
    ExpectMessageBox(Choose(MENU_STOP_SCREEN), L"错误", TEXT_NO_HOST, nullptr, BoxIcon::Error);
}

// The pipe's name is one for the whole machine: another program may serve it,
// and is neither told to quit nor taken for the screen host.
TEST_F(ScreenHost, StopLeavesAnotherProgramOnThePipeAlone)
{
    StartedProcess const other = StartHost(nullptr, folder + L"\\别的 程序.exe");

    ExpectMessageBox(Choose(MENU_STOP_SCREEN), L"错误", TEXT_NO_HOST, nullptr, BoxIcon::Error);

    EXPECT_EQ(STILL_ACTIVE, WaitForExit(other, 0));
    EXPECT_EQ(std::string::npos, HostLog(other.id).find("pipe 7")) << HostLog(other.id);
}

// A host that takes the pipe but never reads it must not freeze the tray.
TEST_F(ScreenHost, StopAndExitAnswerInTimeWhenTheHostNeverReadsTheSignal)
{
    StartHost(HOST_PIPE_UNREAD);

    ASSERT_LT(ChooseAndTimeTheAnswer(MENU_STOP_SCREEN), STUCK_HOST_ANSWER_MS);
    ExpectMessageBox(AnswerMessageBox(program.id), L"错误", TEXT_NO_HOST, nullptr, BoxIcon::Error);

    // The menu opens again, and exit ends the program in time too.
    EXPECT_LT(ChooseAndTimeTheAnswer(MENU_EXIT), STUCK_HOST_ANSWER_MS);
    EXPECT_EQ(L"退出成功", AnswerMessageBox(program.id).text);
    EXPECT_EQ(0u, WaitForExit(program));
}

// Hosts that close on WM_CLOSE end by themselves, cleanly: every window of each
// is asked, and the tray answers them while they close. One that ignores it,
// after them in the process list, still has to end before success is claimed.
TEST_F(ScreenHost, ForceCloseLetsEveryHostCloseItself)
{
    StartedProcess const first = StartHost(HOST_WITH_WINDOWS);
    StartedProcess const second = StartHost();
    StartedProcess const stubborn =
        StartHost(HOST_IGNORING_CLOSE, folder + L"\\不 关闭\\" + HOST_IMAGE);

    ChooseAndTimeTheAnswer(MENU_FORCE_CLOSE);
    EXPECT_NE(STILL_ACTIVE, WaitForExit(stubborn, 0)) << "still running when the box came";
    ExpectMessageBox(AnswerMessageBox(program.id), L"提示", TEXT_FORCE_CLOSED, window,
                     BoxIcon::Information);

    for (StartedProcess const& host : {first, second})
    {
        EXPECT_EQ(0u, WaitForExit(host)) << "ended from outside";
        std::string const log = HostLog(host.id);
        EXPECT_NE(std::string::npos, log.find("WM_CLOSE 1\n")) << log;
        EXPECT_NE(std::string::npos, log.find("WM_CLOSE 2\n")) << log;
        EXPECT_NE(std::string::npos, log.find("exit\n")) << log;
    }
}

TEST_F(ScreenHost, ForceCloseEndsStuckHostsAndReportsSuccessOnlyOnceTheyAreGone)
{
    StartedProcess const hosts[] = {
        StartHost(HOST_WINDOW_HUNG, folder + L"\\挂起\\" + HOST_IMAGE),
        StartHost(HOST_IGNORING_CLOSE, folder + L"\\不 关闭\\" + HOST_IMAGE),
        StartHost(),
    };

    EXPECT_LT(ChooseAndTimeTheAnswer(MENU_FORCE_CLOSE), STUCK_HOST_ANSWER_MS);
    for (StartedProcess const& host : hosts)
    {
        EXPECT_NE(STILL_ACTIVE, WaitForExit(host, 0)) << "still running when the box came";
    }
    ExpectMessageBox(AnswerMessageBox(program.id), L"提示", TEXT_FORCE_CLOSED, window,
                     BoxIcon::Information);
}

// A host that nobody may open cannot be made to end: the user must hear that,
// not that it has gone.
TEST_F(ScreenHost, ForceCloseSaysSoWhenAHostCannotBeEnded)
{
    StartedProcess const host = StartHost(HOST_LOCKED);

    ExpectMessageBox(Choose(MENU_FORCE_CLOSE), L"错误",
                     L"无法强制关闭虚拟屏幕进程，请重新启动计算机", window, BoxIcon::Error);
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(host, 0));
}

TEST_F(ScreenHost, ForceCloseWithoutAHostProcessSaysItFoundNone)
{
    ExpectMessageBox(Choose(MENU_FORCE_CLOSE), L"错误", TEXT_NO_HOST_PROCESS, window,
                     BoxIcon::Error);
}

TEST_F(ScreenHost, ForceCloseLeavesProgramsWithSimilarNamesAlone)
{
    StartedProcess const other = StartHost(HOST_WITH_WINDOWS, folder + L"\\MyPhantomDeskHost.exe");

    ExpectMessageBox(Choose(MENU_FORCE_CLOSE), L"错误", TEXT_NO_HOST_PROCESS, window,
                     BoxIcon::Error);

    EXPECT_EQ(STILL_ACTIVE, WaitForExit(other, QUIET_PERIOD_MS));
    EXPECT_EQ(std::string::npos, HostLog(other.id).find("WM_CLOSE"));
}

TEST_F(ScreenHost, ForceCloseFindsTheHostWhateverTheLetterCaseOfItsName)
{
    std::wstring const otherFolder = folder + L"\\大写";
    StartedProcess const host =
        StartHost(HOST_WITH_WINDOWS, otherFolder + L"\\PHANTOMDESKHOST.EXE");

    ExpectMessageBox(Choose(MENU_FORCE_CLOSE), L"提示", TEXT_FORCE_CLOSED, window,
                     BoxIcon::Information);

    EXPECT_EQ(0u, WaitForExit(host));
    EXPECT_NE(std::string::npos, HostLog(host.id, otherFolder).find("WM_CLOSE 1\n"));
}
