// The setup and its uninstaller, run as an administrator runs them: from a
// downloads folder with the companion files beside the setup.

#include "test_support.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <sstream>
#include <string>

namespace
{
wchar_t const INSTALL_FOLDER[] = L"C:\\Program Files\\VirtualScreen";
wchar_t const UNINSTALL_KEY[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\phantomDeskTray";
wchar_t const START_MENU[] = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";
wchar_t const PUBLIC_DESKTOP[] = L"C:\\users\\Public\\Desktop\\";
// Where Wine keeps what Task Scheduler registered.
wchar_t const REGISTERED_TASK[] = L"C:\\windows\\system32\\tasks\\phantomDeskTray";
wchar_t const TASK_DEFINITION[] = L"C:\\Program Files\\VirtualScreen\\start-at-sign-in.xml";
wchar_t const DRIVER_INSTALLER_IMAGE[] = L"parsec-vdd-0.38.0.0.exe";
DWORD const SETUP_TIMEOUT_MS = 60000;
DWORD const EXIT_REFUSED = 2;
int const NEXT_BUTTON = 1;

std::wstring Installed(wchar_t const* name)
{
    return std::wstring(INSTALL_FOLDER) + L"\\" + name;
}

std::wstring ReadUninstallValue(wchar_t const* name)
{
    wchar_t value[1024] = {};
    DWORD bytes = sizeof(value);
    RegGetValueW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, name, RRF_RT_REG_SZ, nullptr, value, &bytes);
    return value;
}

DWORD ReadUninstallNumber(wchar_t const* name)
{
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    RegGetValueW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, name, RRF_RT_REG_DWORD, nullptr, &value,
                 &bytes);
    return value;
}

FILETIME LastWritten(std::wstring const& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data.ftLastWriteTime;
}

// A definition's text without its line ends and the indents after them.
std::wstring WithoutIndent(std::wstring const& text)
{
    std::wstring squeezed;
    std::wistringstream lines(text);
    for (std::wstring line; std::getline(lines, line);)
    {
        size_t const start = line.find_first_not_of(L" \t");
        size_t const end = line.find_last_not_of(L" \t\r");
        squeezed += start == std::wstring::npos ? L"" : line.substr(start, end - start + 1);
    }
    return squeezed;
}

std::wstring ReadUtf16File(std::wstring const& path)
{
    std::string const bytes = ReadTextFile(path);
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    memcpy(&text[0], bytes.data(), text.size() * sizeof(wchar_t));
    return text.rfind(L"\xFEFF", 0) == 0 ? text.substr(1) : text;
}

std::wstring OwnAccountSid()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    unsigned char buffer[256] = {};
    DWORD bytes = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &bytes);
    CloseHandle(token);
    wchar_t* sid = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid);
    std::wstring const text = sid != nullptr ? sid : L"";
    LocalFree(sid);
    return text;
}

BOOL CALLBACK AddWindowText(HWND hwnd, LPARAM lParam)
{
    // Asked of the control itself: GetWindowTextW gives only the text that a
    // control of another process was created with.
    wchar_t text[1024] = {};
    SendMessageTimeoutW(hwnd, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, QUIET_PERIOD_MS, nullptr);
    std::wstring line = text;
    line.erase(std::remove(line.begin(), line.end(), L'\r'), line.end());
    *reinterpret_cast<std::wstring*>(lParam) += line + L"\n";
    return TRUE;
}

// Every text on the wizard's page, a line each, with line ends as "\n".
std::wstring PageTexts(HWND wizard)
{
    std::wstring texts;
    EnumChildWindows(wizard, AddWindowText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

// Waits for the page that shows text; false when it does not come.
bool WaitForPageWith(HWND wizard, std::wstring const& text)
{
    if (!WaitUntil([&] { return PageTexts(wizard).find(text) != std::wstring::npos; }))
    {
        ADD_FAILURE() << "on the page instead:\n" << ToUtf8(PageTexts(wizard));
        return false;
    }
    return true;
}

// Next, Install or Finish.
void ClickNext(HWND wizard)
{
    PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(NEXT_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(wizard, NEXT_BUTTON)));
}

void RemoveInstallation()
{
    EndProcesses(PROGRAM_IMAGE);
    EndProcesses(HOST_IMAGE);
    RemoveFolder(INSTALL_FOLDER);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
    for (wchar_t const* name : {L"phantomDeskTray", L"虚拟屏幕托盘工具",
                                L"phantomDeskTray User Guide", L"虚拟屏幕托盘工具 使用说明"})
    {
        DeleteFileW((std::wstring(START_MENU) + name + L".lnk").c_str());
        DeleteFileW((std::wstring(PUBLIC_DESKTOP) + name + L".lnk").c_str());
    }
    DeleteFileW(REGISTERED_TASK);
}
}

class Setup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RemoveInstallation();
        folder = MakeFreshFolder(L"下载");
        std::wstring const release = L"phantomDeskTray-" PDT_RELEASE_VERSION L"-setup.exe";
        // Built beside the programs' folder, as the release packs it.
        setup = CopyBeside(L"..\\" + release, release);
        host = CopyBeside(L"fake_screen_host.exe", HOST_IMAGE);
        driverInstaller = CopyBeside(L"fake_driver_tool.exe", DRIVER_INSTALLER_IMAGE);
    }

    void TearDown() override
    {
        for (StartedProcess& process : started)
        {
            CloseProcess(&process);
        }
        RemoveInstallation();
        RemoveFolder(folder);
    }

    std::wstring CopyBeside(std::wstring const& built, std::wstring const& name)
    {
        std::wstring const path = folder + L"\\" + name;
        EXPECT_TRUE(CopyFileW((OwnDirectory() + L"\\" + built).c_str(), path.c_str(), FALSE));
        return path;
    }

    // Windows' display language is the test's own locale, which ctest sets:
    // English, or Chinese for a test named so.
    StartedProcess Start(std::wstring const& program, std::wstring const& arguments)
    {
        StartedProcess const process = StartProcess(program, arguments);
        started.push_back(process);
        EXPECT_NE(nullptr, process.process);
        return process;
    }

    DWORD RunSilently(std::wstring const& program, std::wstring const& arguments = L"/S")
    {
        return WaitForExit(Start(program, arguments), SETUP_TIMEOUT_MS);
    }

    // Starts the installed program and answers its two notices.
    StartedProcess StartInstalledProgram()
    {
        StartedProcess const program = Start(Installed(PROGRAM_IMAGE), L"");
        EXPECT_TRUE(AnswerMessageBox(program.id).found) << "no start-up notice";
        EXPECT_TRUE(AnswerMessageBox(program.id).found) << "no greeting";
        EXPECT_NE(nullptr, FindWindowOfProcess(program.id, TRAY_WINDOW_CLASS_NAME));
        return program;
    }

    std::wstring folder;
    std::wstring setup;
    std::wstring host;
    std::wstring driverInstaller;
    std::vector<StartedProcess> started;
};

TEST_F(Setup, SilentInstallPutsEverythingInPlace)
{
    // A copy that runs from anywhere else is not the installed one's to close.
    StartedProcess const other = Start(CopyBeside(PROGRAM_IMAGE, PROGRAM_IMAGE), L"");
    ASSERT_TRUE(AnswerMessageBox(other.id).found);
    ASSERT_TRUE(AnswerMessageBox(other.id).found);

    ASSERT_EQ(0u, RunSilently(setup));
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(other, 0));
    EndProcesses(PROGRAM_IMAGE);

    for (wchar_t const* name : {PROGRAM_IMAGE, HOST_IMAGE, DRIVER_INSTALLER_IMAGE,
                                L"USER-GUIDE.txt", L"LICENSE.txt", L"uninstall.exe"})
    {
        EXPECT_TRUE(FileExists(Installed(name))) << ToUtf8(name);
    }
    // Copied, not moved.
    EXPECT_EQ(ReadTextFile(host), ReadTextFile(Installed(HOST_IMAGE)));
    EXPECT_EQ(ReadTextFile(driverInstaller), ReadTextFile(Installed(DRIVER_INSTALLER_IMAGE)));
    EXPECT_TRUE(FileExists(std::wstring(START_MENU) + L"phantomDeskTray.lnk"));
    EXPECT_TRUE(FileExists(std::wstring(START_MENU) + L"phantomDeskTray User Guide.lnk"));
    EXPECT_TRUE(FileExists(std::wstring(PUBLIC_DESKTOP) + L"phantomDeskTray.lnk"));
    EXPECT_FALSE(FileExists(TASK_DEFINITION));

    EXPECT_EQ(L"phantomDeskTray", ReadUninstallValue(L"DisplayName"));
    EXPECT_EQ(PDT_RELEASE_VERSION, ReadUninstallValue(L"DisplayVersion"));
    EXPECT_EQ(L"The phantomDeskTray developers", ReadUninstallValue(L"Publisher"));
    EXPECT_EQ(L"C:\\Program Files\\VirtualScreen\\phantomDeskTray.exe,0",
              ReadUninstallValue(L"DisplayIcon"));
    EXPECT_EQ(L"\"C:\\Program Files\\VirtualScreen\\uninstall.exe\"",
              ReadUninstallValue(L"UninstallString"));
    EXPECT_EQ(L"\"C:\\Program Files\\VirtualScreen\\uninstall.exe\" /S",
              ReadUninstallValue(L"QuietUninstallString"));
    EXPECT_EQ(1u, ReadUninstallNumber(L"NoModify"));
    EXPECT_EQ(1u, ReadUninstallNumber(L"NoRepair"));
    // Kilobytes: the program and the two stand-ins weigh more than 300.
    EXPECT_GT(ReadUninstallNumber(L"EstimatedSize"), 300u);

    StartInstalledProgram();
}

TEST_F(Setup, ChineseWizardNamesAMissingFileAndStartsTheProgramAtTheEnd)
{
    ASSERT_TRUE(DeleteFileW(driverInstaller.c_str()));
    StartedProcess const wizard = Start(setup, L"");
    HWND window = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (window = FindWindowOfProcess(wizard.id, L"#32770")); }));

    ASSERT_TRUE(
        WaitForPageWith(window, L"下面的文件夹中没有这些文件：\n\nparsec-vdd-0.38.0.0.exe\n"));
    EXPECT_NE(std::wstring::npos, PageTexts(window).find(folder));
    ClickNext(window);
    ASSERT_TRUE(WaitForPageWith(window, L"在桌面上创建快捷方式(&D)\n登录 Windows 时自动启动(&S)"));
    ClickNext(window);
    ASSERT_TRUE(WaitForPageWith(window, L"使用菜单之前，请把这些文件复制到 C:\\Program "
                                        L"Files\\VirtualScreen：\n\nparsec-vdd-0.38.0.0.exe"));
    EXPECT_NE(std::wstring::npos, PageTexts(window).find(L"立即启动虚拟屏幕托盘工具"));
    ClickNext(window);

    EXPECT_EQ(0u, WaitForExit(wizard, SETUP_TIMEOUT_MS));
    EXPECT_TRUE(FileExists(std::wstring(START_MENU) + L"虚拟屏幕托盘工具.lnk"));
    EXPECT_EQ(L"虚拟屏幕托盘工具", ReadUninstallValue(L"DisplayName"));
    std::vector<DWORD> programs;
    ASSERT_TRUE(WaitUntil([&] { return (programs = FindProcesses(PROGRAM_IMAGE)).size() == 1; }));
    ExpectMessageBox(AnswerMessageBox(programs[0]), L"提示", L"已允许管理员启动", nullptr,
                     BoxIcon::None);
}

TEST_F(Setup, StartAtSignInRegistersATaskForThisAccount)
{
    ASSERT_EQ(0u, RunSilently(setup, L"/S /STARTATSIGNIN"));

    std::wstring const sid = OwnAccountSid();
    ASSERT_FALSE(sid.empty());
    std::wstring const definition = WithoutIndent(ReadUtf16File(TASK_DEFINITION));
    for (std::wstring const& part :
         {L"<LogonTrigger><Enabled>true</Enabled><UserId>" + sid + L"</UserId></LogonTrigger>",
          L"<UserId>" + sid +
              L"</UserId><LogonType>InteractiveToken</LogonType>"
              L"<RunLevel>HighestAvailable</RunLevel>",
          std::wstring(L"<Exec><Command>\"C:\\Program "
                       L"Files\\VirtualScreen\\phantomDeskTray.exe\"</Command></Exec>")})
    {
        EXPECT_NE(std::wstring::npos, definition.find(part)) << ToUtf8(part);
    }
    // Wine keeps only the settings of what it registered; they must be ours.
    std::string const registered = ReadTextFile(REGISTERED_TASK);
    for (char const* setting :
         {"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>",
          "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
          "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
          "<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>", "<Priority>4</Priority>"})
    {
        EXPECT_NE(std::string::npos, registered.find(setting)) << setting;
        EXPECT_NE(std::wstring::npos,
                  definition.find(std::wstring(setting, setting + strlen(setting))))
            << setting;
    }
}

TEST_F(Setup, UninstallWhileTheProgramRunsEndsItAndLeavesNothing)
{
    ASSERT_EQ(0u, RunSilently(setup, L"/S /STARTATSIGNIN"));
    StartedProcess const program = StartInstalledProgram();

    // The uninstaller hands over to a copy of itself and returns at once.
    ASSERT_EQ(0u, RunSilently(Installed(L"uninstall.exe")));

    EXPECT_EQ(0u, WaitForExit(program));
    EXPECT_TRUE(WaitUntil([] { return !FileExists(INSTALL_FOLDER); }, SETUP_TIMEOUT_MS));
    EXPECT_EQ(L"", ReadUninstallValue(L"DisplayName"));
    EXPECT_FALSE(FileExists(std::wstring(START_MENU) + L"phantomDeskTray.lnk"));
    EXPECT_FALSE(FileExists(std::wstring(START_MENU) + L"phantomDeskTray User Guide.lnk"));
    EXPECT_FALSE(FileExists(std::wstring(PUBLIC_DESKTOP) + L"phantomDeskTray.lnk"));
    EXPECT_FALSE(FileExists(REGISTERED_TASK));
}

TEST_F(Setup, UpgradeOverARunningOlderInstallKeepsTheCompanionsAndTheStartAtSignIn)
{
    std::wstring const older =
        CopyBeside(L"phantomDeskTray-1.0.0-setup.exe", L"phantomDeskTray-1.0.0-setup.exe");
    ASSERT_EQ(0u, RunSilently(older, L"/S /STARTATSIGNIN"));
    FILETIME const olderProgram = LastWritten(Installed(PROGRAM_IMAGE));
    StartedProcess const program = StartInstalledProgram();
    // Nothing beside the new setup this time.
    ASSERT_TRUE(DeleteFileW(host.c_str()));
    ASSERT_TRUE(DeleteFileW(driverInstaller.c_str()));

    EXPECT_EQ(0u, RunSilently(setup));

    EXPECT_EQ(0u, WaitForExit(program));
    EXPECT_EQ(PDT_RELEASE_VERSION, ReadUninstallValue(L"DisplayVersion"));
    FILETIME const newerProgram = LastWritten(Installed(PROGRAM_IMAGE));
    EXPECT_EQ(-1, CompareFileTime(&olderProgram, &newerProgram));
    EXPECT_TRUE(FileExists(Installed(HOST_IMAGE)));
    EXPECT_TRUE(FileExists(Installed(DRIVER_INSTALLER_IMAGE)));
    EXPECT_TRUE(FileExists(TASK_DEFINITION));

    // And back: an older setup changes nothing.
    EXPECT_EQ(EXIT_REFUSED, RunSilently(older));
    EXPECT_EQ(PDT_RELEASE_VERSION, ReadUninstallValue(L"DisplayVersion"));
}

TEST_F(Setup, RefusesAFolderOutsideProgramFilesAndWritesNothing)
{
    std::wstring const elsewhere = folder + L"\\别处";

    EXPECT_EQ(EXIT_REFUSED, RunSilently(setup, L"/S /D=" + elsewhere));

    EXPECT_FALSE(FileExists(elsewhere));
    EXPECT_FALSE(FileExists(INSTALL_FOLDER));
    EXPECT_EQ(L"", ReadUninstallValue(L"DisplayName"));
}
