#include "tray_program.h"

namespace
{
wchar_t const UNINSTALLER_FOLDER[] = L"C:\\Program Files\\Parsec Virtual Display Driver";
wchar_t const UNINSTALLER_PATH[] =
    L"C:\\Program Files\\Parsec Virtual Display Driver\\uninstall.exe";
// Where Windows keeps its Program Files folder; Wine reads it from here.
wchar_t const WINDOWS_SETTINGS_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
wchar_t const PROGRAM_FILES_VALUE[] = L"ProgramFilesDir";
DWORD const REGISTRY_PATH_BYTES = 1024;

std::wstring ReadProgramFilesSetting()
{
    wchar_t path[REGISTRY_PATH_BYTES / sizeof(wchar_t)] = {};
    DWORD bytes = sizeof(path);
    RegGetValueW(HKEY_LOCAL_MACHINE, WINDOWS_SETTINGS_KEY, PROGRAM_FILES_VALUE, RRF_RT_REG_SZ,
                 nullptr, path, &bytes);
    return path;
}

bool WriteProgramFilesSetting(std::wstring const& path)
{
    return RegSetKeyValueW(HKEY_LOCAL_MACHINE, WINDOWS_SETTINGS_KEY, PROGRAM_FILES_VALUE, REG_SZ,
                           path.c_str(), static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t))) ==
           ERROR_SUCCESS;
}
}

class DriverTools : public TrayProgramTest
{
protected:
    void SetUp() override
    {
        TrayProgramTest::SetUp();
        RemoveFolder(UNINSTALLER_FOLDER);
        program = StartTrayProgram(&window);
    }

    void TearDown() override
    {
        TrayProgramTest::TearDown();
        RemoveFolder(UNINSTALLER_FOLDER);
        if (!programFiles.empty())
        {
            EXPECT_TRUE(WriteProgramFilesSetting(programFiles));
        }
    }

    // Makes path, an existing folder, this Windows' Program Files folder until
    // the test ends.
    void MoveProgramFiles(std::wstring const& path)
    {
        programFiles = ReadProgramFilesSetting();
        ASSERT_FALSE(programFiles.empty());
        ASSERT_TRUE(WriteProgramFilesSetting(path));
    }

    // Puts the stand-in tool at path; it notes its start in path + ".log".
    void PlaceTool(std::wstring const& path)
    {
        ASSERT_TRUE(
            CopyFileW((OwnDirectory() + L"\\fake_driver_tool.exe").c_str(), path.c_str(), FALSE));
    }

    // Waits until the stand-in at path has started and returns what it noted.
    std::string WaitForToolStart(std::wstring const& path)
    {
        std::string log;
        WaitUntil([&] { return !(log = ReadTextFile(path + L".log")).empty(); });
        return log;
    }

    StartedProcess program;
    HWND window = nullptr;
    std::wstring programFiles;
};

TEST_F(DriverTools, InstallStartsTheInstallerShownAndKeepsTheMenuUsable)
{
    std::wstring const installer = folder + L"\\parsec-vdd-0.38.0.0.exe";
    PlaceTool(installer);

    ChooseFromTrayMenu(MENU_INSTALL_DRIVER);

    std::string const log = WaitForToolStart(installer);
    EXPECT_TRUE(StartedPlainly(log, installer, SW_SHOWNORMAL)) << log;
    EXPECT_TRUE(ShowsNoMessageBox(program.id));

    // The installer still runs, and the tray answers.
    ASSERT_TRUE(RightClickTrayIcon());
    HWND const menu = WaitForPopupMenu();
    ASSERT_NE(nullptr, menu);
    DismissMenu(menu);
    EXPECT_EQ(1u, FindProcesses(L"parsec-vdd-0.38.0.0.exe").size());
    EXPECT_EQ(std::string::npos, ReadTextFile(installer + L".log").find("exit"));

    WriteTextFile(installer + L".finish", "");
    EXPECT_TRUE(WaitUntil([&] { return FindProcesses(L"parsec-vdd-0.38.0.0.exe").empty(); }));
}

TEST_F(DriverTools, InstallWithoutTheInstallerSaysSo)
{
    ChooseFromTrayMenu(MENU_INSTALL_DRIVER);

    ExpectMessageBox(AnswerMessageBox(program.id), L"错误",
                     L"无法启动安装程序，请检查驱动安装程序路径。", nullptr, BoxIcon::Error);
}

TEST_F(DriverTools, UninstallStartsTheUninstallerFromTheDriversFolder)
{
    ASSERT_TRUE(CreateDirectoryW(UNINSTALLER_FOLDER, nullptr));
    PlaceTool(UNINSTALLER_PATH);

    ChooseFromTrayMenu(MENU_UNINSTALL_DRIVER);

    std::string const log = WaitForToolStart(UNINSTALLER_PATH);
    EXPECT_TRUE(StartedPlainly(log, UNINSTALLER_PATH, SW_SHOWNORMAL)) << log;
    EXPECT_TRUE(ShowsNoMessageBox(program.id));
    WriteTextFile(std::wstring(UNINSTALLER_PATH) + L".finish", "");
    EXPECT_TRUE(WaitUntil([&] { return FindProcesses(L"uninstall.exe").empty(); }));
}

TEST_F(DriverTools, UninstallWithoutTheUninstallerSaysSo)
{
    ChooseFromTrayMenu(MENU_UNINSTALL_DRIVER);

    ExpectMessageBox(AnswerMessageBox(program.id), L"错误",
                     L"找不到卸载程序，请检查是否已安装驱动。", nullptr, BoxIcon::Error);
}

// Where Windows lies on another drive, C:\Program Files is a folder that any
// user may create: nothing there may run with the program's rights.
TEST_F(DriverTools, UninstallStartsNothingOutsideWindowsOwnProgramFiles)
{
    ASSERT_TRUE(CreateDirectoryW(UNINSTALLER_FOLDER, nullptr));
    PlaceTool(UNINSTALLER_PATH);
    MoveProgramFiles(folder);

    ChooseFromTrayMenu(MENU_UNINSTALL_DRIVER);

    ExpectMessageBox(AnswerMessageBox(program.id), L"错误",
                     L"找不到卸载程序，请检查是否已安装驱动。", nullptr, BoxIcon::Error);
    EXPECT_FALSE(FileExists(std::wstring(UNINSTALLER_PATH) + L".log"));
}
