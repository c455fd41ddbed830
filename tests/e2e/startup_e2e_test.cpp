#include "tray_program.h"

#include <shellapi.h>

#include <set>

namespace
{
wchar_t const EXPECTED_GREETING[] =
    L"程序已运行，请在右下角系统托盘中查找显示器图标，点击右键即可展开菜单\n\n"
    L"注意事项：务必以管理员模式启动，首次启动需安装驱动";

void ExpectAdministratorNotice(SeenMessageBox const& seen)
{
    ExpectMessageBox(seen, L"提示", L"已允许管理员启动", nullptr, BoxIcon::None);
}

// A shell that is not ready yet: the first taskbar window that Windows finds, and
// it refuses every icon.
LRESULT CALLBACK RefusingTaskbarProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
    case WM_COPYDATA:
        return FALSE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

DWORD WINAPI RunRefusingTaskbar(void* parameter)
{
    WNDCLASSEXW windowClass = {sizeof(windowClass)};
    windowClass.lpfnWndProc = RefusingTaskbarProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"Shell_TrayWnd";
    RegisterClassExW(&windowClass);
    *static_cast<HWND*>(parameter) =
        CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                        windowClass.hInstance, nullptr);
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
    {
        DispatchMessageW(&message);
    }
    return 0;
}

// Loads a DLL in the running program on a thread started there, as any code of
// the program's that names a DLL would; true when it was loaded.
bool LoadsLibrary(HANDLE process, std::wstring const& name)
{
    SIZE_T const bytes = (name.size() + 1) * sizeof(wchar_t);
    void* const remoteName =
        VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    WriteProcessMemory(process, remoteName, name.c_str(), bytes, nullptr);
    // kernel32 lies at the same address in every process.
    LPTHREAD_START_ROUTINE const loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    HANDLE const thread =
        CreateRemoteThread(process, nullptr, 0, loadLibrary, remoteName, 0, nullptr);
    DWORD moduleLowHalf = 0;
    if (thread != nullptr)
    {
        WaitForSingleObject(thread, WAIT_TIMEOUT_MS);
        GetExitCodeThread(thread, &moduleLowHalf);
        CloseHandle(thread);
    }
    VirtualFreeEx(process, remoteName, 0, MEM_RELEASE);
    return moduleLowHalf != 0;
}
}

typedef TrayProgramTest Startup;

TEST_F(Startup, ElevatedStartGreetsAndLeavesAHiddenWindowAndATrayIcon)
{
    StartedProcess const program = StartProcess(ProgramPath());
    started.push_back(program);
    ASSERT_NE(nullptr, program.process);

    ExpectAdministratorNotice(AnswerMessageBox(program.id));
    SeenMessageBox const greeting = AnswerMessageBox(program.id);
    HWND const window = FindWindowOfProcess(program.id, TRAY_WINDOW_CLASS_NAME);
    ASSERT_NE(nullptr, window);
    ExpectMessageBox(greeting, L"提示", EXPECTED_GREETING, window, BoxIcon::Information);
    EXPECT_EQ(1, greeting.trayIcons);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(1, CountTrayIcons());
    EXPECT_EQ(STILL_ACTIVE, WaitForExit(program, 0));

    // The monitor itself; a program that loses its icon leaves an empty slot.
    IconColours const colours = CountIconColours(CaptureTrayIcon());
    EXPECT_GE(colours.bezel, 30);
    EXPECT_GE(colours.glass, 100);
    EXPECT_GE(colours.stand, 8);
}

TEST_F(Startup, SecondCopySaysItIsAlreadyRunningAndEnds)
{
    HWND window = nullptr;
    StartTrayProgram(&window);

    StartedProcess const second = StartProcess(ProgramPath());
    started.push_back(second);
    ExpectAdministratorNotice(AnswerMessageBox(second.id));
    ExpectMessageBox(AnswerMessageBox(second.id), L"提示", L"程序已在运行，请勿重复启动！", nullptr,
                     BoxIcon::Information);

    EXPECT_EQ(0u, WaitForExit(second));
    EXPECT_EQ(nullptr, FindWindowOfProcess(second.id, TRAY_WINDOW_CLASS_NAME));
    EXPECT_EQ(1, CountTrayIcons());
    EXPECT_TRUE(IsWindow(window));
}

// At logon the taskbar may not be ready, and a busy one refuses icons; no
// "TaskbarCreated" follows when it is ready again.
TEST_F(Startup, IconAppearsOnceTheTaskbarTakesIt)
{
    HWND taskbar = nullptr;
    HANDLE const taskbarThread = CreateThread(nullptr, 0, RunRefusingTaskbar, &taskbar, 0, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return taskbar != nullptr; }));
    HWND window = nullptr;
    StartTrayProgram(&window);
    EXPECT_EQ(0, CountTrayIcons());

    PostMessageW(taskbar, WM_CLOSE, 0, 0);
    WaitForSingleObject(taskbarThread, WAIT_TIMEOUT_MS);
    CloseHandle(taskbarThread);

    ASSERT_TRUE(WaitUntil([] { return CountTrayIcons() == 1; }, 3000));

    // Once there, the program stops offering it: an icon taken away now stays
    // away, where a retry left running would call the shell once a second.
    NOTIFYICONDATAW icon = {sizeof(icon)};
    icon.hWnd = window;
    icon.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &icon));
    EXPECT_FALSE(WaitUntil([] { return CountTrayIcons() == 1; }, QUIET_PERIOD_MS));
}

// Started elevated from wherever it was downloaded, the program must never load
// a DLL that someone put beside it under a name it might ask for.
TEST_F(Startup, NeverLoadsADllPlantedBesideIt)
{
    std::wstring const planted = folder + L"\\planted.dll";
    ASSERT_TRUE(
        CopyFileW((OwnDirectory() + L"\\empty_module.dll").c_str(), planted.c_str(), FALSE));
    HWND window = nullptr;
    StartedProcess const program = StartTrayProgram(&window);

    EXPECT_FALSE(LoadsLibrary(program.process, L"planted.dll"));
    // By its full path it loads: the check above would have seen a load.
    EXPECT_TRUE(LoadsLibrary(program.process, planted));
}

// Wine never elevates, as Windows cannot where user-account control is off for
// a standard user: the relaunched copy must then give up, not relaunch in turn.
TEST_F(Startup, NonAdministratorStartRelaunchesOnceAndTheRelaunchedCopyGivesUp)
{
    StartedProcess const program = StartProcess(ProgramPath(), L"--ignored argument", true);
    started.push_back(program);
    ASSERT_NE(nullptr, program.process);
    MessageBoxAnswerer answerer;
    StartAnswering(&answerer, program.id);

    std::set<DWORD> copies;
    StartedProcess relaunched;
    std::wstring relaunchedCommandLine;
    bool const refusing = WaitUntil([&] {
        for (DWORD id : FindProcesses(PROGRAM_IMAGE))
        {
            copies.insert(id);
            if (id != program.id && relaunched.id == 0 && !ReadCommandLine(id).empty())
            {
                relaunched.id = id;
                relaunched.process =
                    OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
                started.push_back(relaunched);
                relaunchedCommandLine = ReadCommandLine(id);
            }
        }
        return relaunched.id != 0 && FindMessageBox(relaunched.id) != nullptr;
    });
    SeenMessageBox const refusal = refusing ? AnswerMessageBox(relaunched.id) : SeenMessageBox();
    EXPECT_EQ(0u, WaitForExit(relaunched));
    EXPECT_EQ(0u, WaitForExit(program));
    EXPECT_TRUE(StopAnswering(&answerer).empty());

    EXPECT_LE(copies.size(), 2u);
    ASSERT_TRUE(refusing);
    ExpectMessageBox(refusal, L"错误", L"未允许管理员启动，程序关闭", nullptr, BoxIcon::Error);
    EXPECT_TRUE(WaitUntil([] { return FindProcesses(PROGRAM_IMAGE).empty(); }));
    EXPECT_EQ(std::wstring::npos, relaunchedCommandLine.find(L"ignored")) << relaunchedCommandLine;
    EXPECT_NE(std::wstring::npos, relaunchedCommandLine.find(ProgramPath()))
        << relaunchedCommandLine;
}

// A program moved or deleted since its start, or refused by a policy, cannot be
// started again: the user double-clicked and must hear why nothing follows.
TEST_F(Startup, NonAdministratorStartSaysSoWhenTheRelaunchFails)
{
    bool const withoutAdministrators = true;
    bool const suspended = true;
    StartedProcess program = StartProcess(ProgramPath(), L"", withoutAdministrators, suspended);
    // Ended at tear-down, suspended or not, should an assertion stop the test.
    started.push_back(program);
    ASSERT_NE(nullptr, program.process);
    ASSERT_TRUE(MoveFileW(ProgramPath().c_str(), (folder + L"\\移走了.exe").c_str()));
    ResumeProcess(&program);

    ExpectMessageBox(AnswerMessageBox(program.id), L"错误", L"未允许管理员启动，程序关闭", nullptr,
                     BoxIcon::Error);
    EXPECT_EQ(0u, WaitForExit(program));
}
