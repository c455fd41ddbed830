#include "tray_program.h"

#include <cwchar>

namespace
{
DWORD const PATH_BUFFER_SIZE = 1024;
wchar_t const DRIVER_INSTALLER_IMAGE[] = L"parsec-vdd-0.38.0.0.exe";
wchar_t const DRIVER_UNINSTALLER_IMAGE[] = L"uninstall.exe";

// The program built beside the tests, unless PDT_PROGRAM_UNDER_TEST names another
// (the signed release, say).
std::wstring ProgramToTest()
{
    wchar_t path[PATH_BUFFER_SIZE] = {};
    DWORD const length = GetEnvironmentVariableW(L"PDT_PROGRAM_UNDER_TEST", path, ARRAYSIZE(path));
    return length > 0 && length < ARRAYSIZE(path) ? std::wstring(path)
                                                  : OwnDirectory() + L"\\" + PROGRAM_IMAGE;
}
}

void TrayProgramTest::SetUp()
{
    folder = MakeFreshFolder(L"托盘");
    std::wstring const built = OwnDirectory();
    ASSERT_TRUE(CopyFileW(ProgramToTest().c_str(), ProgramPath().c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((built + L"\\fake_screen_host.exe").c_str(), HostPath().c_str(), FALSE));
    // Read as a command line, "…\虚拟 屏幕 …\PhantomDeskHost.exe" would start
    // "…\虚拟.exe", and the uninstaller's "C:\Program Files\…" "C:\Program.exe".
    decoys = {folder.substr(0, folder.find(L' ')) + L".exe", L"C:\\Program.exe"};
    for (std::wstring const& decoy : decoys)
    {
        ASSERT_TRUE(CopyFileW((built + L"\\fake_driver_tool.exe").c_str(), decoy.c_str(), FALSE));
    }
}

void TrayProgramTest::TearDown()
{
    for (StartedProcess& process : started)
    {
        CloseProcess(&process);
    }
    for (wchar_t const* image :
         {PROGRAM_IMAGE, HOST_IMAGE, DRIVER_INSTALLER_IMAGE, DRIVER_UNINSTALLER_IMAGE})
    {
        EndProcesses(image);
    }
    for (std::wstring const& decoy : decoys)
    {
        EndProcesses(decoy.substr(decoy.rfind(L'\\') + 1));
        EXPECT_FALSE(FileExists(decoy + L".log")) << "started instead: " << ToUtf8(decoy);
        DeleteFileW(decoy.c_str());
        DeleteFileW((decoy + L".log").c_str());
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

StartedProcess TrayProgramTest::StartHost(wchar_t const* mode, std::wstring const& path)
{
    std::wstring const where = path.empty() ? HostPath() : path;
    std::wstring const hostFolder = where.substr(0, where.rfind(L'\\'));
    if (where != HostPath())
    {
        CreateDirectoryW(hostFolder.c_str(), nullptr);
        EXPECT_TRUE(CopyFileW(HostPath().c_str(), where.c_str(), FALSE));
    }
    if (mode != nullptr)
    {
        WriteTextFile(hostFolder + L"\\" + mode, "");
    }
    StartedProcess const host = StartProcess(where);
    started.push_back(host);
    EXPECT_NE(nullptr, host.process);
    EXPECT_TRUE(WaitUntil(
        [&] { return HostLog(host.id, hostFolder).find("listening\n") != std::string::npos; }));
    return host;
}

std::string TrayProgramTest::HostLog(DWORD processId, std::wstring const& hostFolder) const
{
    std::wstring const where = hostFolder.empty() ? folder : hostFolder;
    return ReadTextFile(where + L"\\host-" + std::to_wstring(processId) + L".log");
}

bool TrayProgramTest::StartedPlainly(std::string const& log, std::wstring const& path,
                                     int showState)
{
    // With no command line of its own, a child's command line is its path alone,
    // quoted or not.
    std::string const utf8Path = ToUtf8(path);
    std::string const head = "started flags=1 show=" + std::to_string(showState) + " cmdline=";
    return log.rfind(head + utf8Path + "\n", 0) == 0 ||
           log.rfind(head + "\"" + utf8Path + "\"\n", 0) == 0;
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
