#include "tray_program.h"

namespace
{
wchar_t const EXPECTED_GREETING[] =
    L"程序已运行，请在右下角系统托盘中查找显示器图标，点击右键即可展开菜单\n\n"
    L"注意事项：务必以管理员模式启动，首次启动需安装驱动";

struct IconColours
{
    int bezel = 0;
    int glass = 0;
    int stand = 0;
};

IconColours CountIconColours(std::vector<unsigned char> const& pixels)
{
    unsigned long const BEZEL = 0x2B2F36;
    unsigned long const STAND = 0x5A616B;
    IconColours colours;
    for (size_t i = 0; i + 3 < pixels.size(); i += 4)
    {
        int const b = pixels[i];
        int const g = pixels[i + 1];
        int const r = pixels[i + 2];
        unsigned long const rgb = (static_cast<unsigned long>(r) << 16) | (g << 8) | b;
        colours.bezel += rgb == BEZEL ? 1 : 0;
        colours.stand += rgb == STAND ? 1 : 0;
        colours.glass += b > 180 && r < 100 && g > 80 ? 1 : 0;
    }
    return colours;
}

void ExpectAdministratorNotice(SeenMessageBox const& seen)
{
    ExpectMessageBox(seen, L"提示", L"已允许管理员启动", nullptr, BoxIcon::None);
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

    // The monitor itself, as the program draws it: a dark bezel round blue glass,
    // on a grey stand. A program that loses its icon leaves an empty slot.
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

// Wine never elevates, so the relaunched copy would relaunch in turn: the test
// ends that chain itself once it has seen the first relaunch.
TEST_F(Startup, NonAdministratorStartRelaunchesItselfWithoutArgumentsAndEnds)
{
    StartedProcess const program = StartProcess(ProgramPath(), L"--ignored argument", true);
    started.push_back(program);
    ASSERT_NE(nullptr, program.process);
    MessageBoxAnswerer answerer;
    StartAnswering(&answerer, program.id);

    std::wstring relaunchedCommandLine;
    ASSERT_TRUE(WaitUntil([&] {
        for (DWORD id : FindProcesses(PROGRAM_IMAGE))
        {
            if (id != program.id)
            {
                relaunchedCommandLine = ReadCommandLine(id);
                if (!relaunchedCommandLine.empty())
                {
                    return true;
                }
            }
        }
        return false;
    }));
    EXPECT_EQ(0u, WaitForExit(program));
    EXPECT_TRUE(StopAnswering(&answerer).empty());
    EndProcesses(PROGRAM_IMAGE);

    EXPECT_EQ(std::wstring::npos, relaunchedCommandLine.find(L"ignored")) << relaunchedCommandLine;
    EXPECT_NE(std::wstring::npos, relaunchedCommandLine.find(ProgramPath()))
        << relaunchedCommandLine;
    EXPECT_EQ(nullptr, FindWindowOfProcess(program.id, TRAY_WINDOW_CLASS_NAME));
}
