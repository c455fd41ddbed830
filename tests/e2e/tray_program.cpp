#include "tray_program.h"

#include <cwchar>

namespace
{
wchar_t const DRIVER_INSTALLER_IMAGE[] = L"parsec-vdd-0.38.0.0.exe";
wchar_t const DRIVER_UNINSTALLER_IMAGE[] = L"uninstall.exe";
}

void TrayProgramTest::SetUp()
{
    folder = MakeFreshFolder(L"托盘");
    std::wstring const built = OwnDirectory();
    ASSERT_TRUE(CopyFileW((built + L"\\phantomDeskTray.exe").c_str(), ProgramPath().c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((built + L"\\fake_screen_host.exe").c_str(), HostPath().c_str(), FALSE));
}

void TrayProgramTest::TearDown()
{
    for (StartedProcess& process : started)
    {
        CloseProcess(&process);
    }
    for (wchar_t const* image : {PROGRAM_IMAGE, HOST_IMAGE, DRIVER_INSTALLER_IMAGE, DRIVER_UNINSTALLER_IMAGE})
    {
        EndProcesses(image);
    }
    RemoveFolder(folder);
}

std::wstring TrayProgramTest::ProgramPath() const
{
    return folder + L"\\" + PROGRAM_IMAGE;
}

std::wstring TrayProgramTest::HostPath() const
{
    return folder + L"\\" + HOST_IMAGE;
}

StartedProcess TrayProgramTest::StartTrayProgram(HWND* window)
{
    StartedProcess const program = StartProcess(ProgramPath());
    started.push_back(program);
    EXPECT_NE(nullptr, program.process);
    EXPECT_TRUE(AnswerMessageBox(program.id).found) << "no start-up notice";
    EXPECT_TRUE(AnswerMessageBox(program.id).found) << "no greeting";
    *window = FindWindowOfProcess(program.id, TRAY_WINDOW_CLASS_NAME);
    EXPECT_NE(nullptr, *window);
    return program;
}

void TrayProgramTest::ChooseFromTrayMenu(int position)
{
    ASSERT_TRUE(RightClickTrayIcon());
    HWND const menu = WaitForPopupMenu();
    ASSERT_NE(nullptr, menu);
    ChooseMenuEntry(menu, position);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(menu) || !IsWindowVisible(menu); }));
}

StartedProcess TrayProgramTest::StartHost()
{
    StartedProcess const host = StartProcess(HostPath());
    started.push_back(host);
    EXPECT_NE(nullptr, host.process);
    EXPECT_TRUE(WaitUntil([&] { return HostLog(host.id).find("listening\n") != std::string::npos; }));
    return host;
}

void TrayProgramTest::GiveHostsAWindow()
{
    WriteTextFile(folder + L"\\host-window.marker", "");
}

std::string TrayProgramTest::HostLog(DWORD processId, std::wstring const& hostFolder) const
{
    std::wstring const where = hostFolder.empty() ? folder : hostFolder;
    return ReadTextFile(where + L"\\host-" + std::to_wstring(processId) + L".log");
}

bool TrayProgramTest::StartedPlainly(std::string const& log, std::wstring const& path, int showState)
{
    // With no command line of its own, a child's command line is its path alone,
    // quoted or not.
    std::string const utf8Path = ToUtf8(path);
    std::string const head = "started flags=1 show=" + std::to_string(showState) + " cmdline=";
    return log.rfind(head + utf8Path + "\n", 0) == 0 || log.rfind(head + "\"" + utf8Path + "\"\n", 0) == 0;
}

std::vector<DWORD> TrayProgramTest::LoggedHosts() const
{
    std::vector<DWORD> hosts;
    for (std::wstring const& log : ListFiles(folder, L"host-*.log"))
    {
        hosts.push_back(static_cast<DWORD>(wcstoul(log.c_str() + wcslen(L"host-"), nullptr, 10)));
    }
    return hosts;
}
