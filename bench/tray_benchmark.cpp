// Measures phantomDeskTray.exe against the bare tray program, from outside, as a
// user would drive them: start-up, right click to menu, menu choice to message
// box, working set, and an endurance run of every menu command. Writes the
// figures as Markdown tables.
// Usage: tray_benchmark OURS.exe BARE.exe HOST_STANDIN.exe OUTPUT.md CYCLES

#include "test_support.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace
{
int const STARTUP_RUNS = 15;
int const MENU_RUNS = 30;
int const MENU_ROUNDS = 5;
int const CHOICE_RUNS = 30;
double const TIMEOUT_MS = 15000;
DWORD const SETTLE_INTERVAL_MS = 250;
double const LATENCY_TARGET_RATIO = 1.25;
double const WORKING_SET_TARGET_GROWTH = 0.05;
long long const SIZE_TARGET_BYTES = 100 * 1024;

struct Program
{
    std::wstring path;
    wchar_t const* windowClass;
    bool greets;
};

struct Running
{
    StartedProcess process;
    HWND window = nullptr;
};

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Polls about every millisecond; returns the time since start when condition
// first holds, or -1 after the timeout.
template <typename Condition> double TimeUntil(double start, Condition condition)
{
    while (!condition())
    {
        if (NowMs() - start > TIMEOUT_MS)
        {
            return -1;
        }
        Sleep(1);
    }
    return NowMs() - start;
}

// Presses OK the moment the box is found; what the user would do, minus reading.
bool AnswerAt(DWORD processId)
{
    HWND box = nullptr;
    if (TimeUntil(NowMs(), [&] { return (box = FindMessageBox(processId)) != nullptr; }) < 0)
    {
        return false;
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    return TimeUntil(NowMs(), [&] { return !IsWindow(box) || !IsWindowVisible(box); }) >= 0;
}

double WorkingSetKiB(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters = {sizeof(counters)};
    GetProcessMemoryInfo(process, &counters, sizeof(counters));
    return static_cast<double>(counters.WorkingSetSize) / 1024.0;
}

// The working set once it has stopped moving.
double SettledWorkingSetKiB(HANDLE process)
{
    double previous = -1;
    double current = WorkingSetKiB(process);
    for (int unchanged = 0; unchanged < 3;)
    {
        Sleep(SETTLE_INTERVAL_MS);
        previous = current;
        current = WorkingSetKiB(process);
        unchanged = current == previous ? unchanged + 1 : 0;
    }
    return current;
}

// Starts the program and answers its start-up boxes at once; records when the
// tray icon appeared and, for a program that greets, when the greeting did.
bool StartMeasured(Program const& program, Running* running, double* toIcon, double* toGreeting)
{
    int const iconsBefore = CountTrayIcons();
    double const start = NowMs();
    running->process = StartProcess(program.path);
    if (running->process.process == nullptr || !AnswerAt(running->process.id))
    {
        return false;
    }
    *toIcon = TimeUntil(start, [&] { return CountTrayIcons() > iconsBefore; });
    if (program.greets)
    {
        *toGreeting =
            TimeUntil(start, [&] { return FindMessageBox(running->process.id) != nullptr; });
        AnswerAt(running->process.id);
    }
    running->window = FindWindowOfProcess(running->process.id, program.windowClass);
    return *toIcon >= 0 && running->window != nullptr;
}

void Stop(Running* running)
{
    PostMessageW(running->window, WM_CLOSE, 0, 0);
    WaitForExit(running->process);
    CloseProcess(&running->process);
    TimeUntil(NowMs(), [] { return CountTrayIcons() == 0; });
}

double MeasureMenuOpen()
{
    double const start = NowMs();
    RightClickTrayIcon();
    HWND menu = nullptr;
    double const opened = TimeUntil(start, [&] {
        menu = FindWindowW(L"#32768", nullptr);
        return menu != nullptr && IsWindowVisible(menu);
    });
    if (menu != nullptr)
    {
        DismissMenu(menu);
        TimeUntil(NowMs(), [&] { return !IsWindowVisible(menu); });
    }
    return opened;
}

// Opens the menu, chooses the entry, and times the choice until the command's
// message box is on screen; answers it.
double MeasureChoice(DWORD processId, int position)
{
    RightClickTrayIcon();
    HWND const menu = WaitForPopupMenu();
    if (menu == nullptr)
    {
        return -1;
    }
    for (int i = 0; i < position; ++i)
    {
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    }
    double const start = NowMs();
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    double const shown = TimeUntil(start, [&] { return FindMessageBox(processId) != nullptr; });
    AnswerAt(processId);
    return shown;
}

bool Choose(DWORD processId, int position)
{
    return MeasureChoice(processId, position) >= 0;
}

struct Summary
{
    double median;
    double low;
    double high;
    int failures;
};

Summary Summarize(std::vector<double> samples)
{
    Summary summary = {0, 0, 0, 0};
    std::vector<double> valid;
    for (double sample : samples)
    {
        if (sample < 0)
        {
            ++summary.failures;
        }
        else
        {
            valid.push_back(sample);
        }
    }
    if (valid.empty())
    {
        return summary;
    }
    std::sort(valid.begin(), valid.end());
    size_t const middle = valid.size() / 2;
    summary.median =
        valid.size() % 2 == 1 ? valid[middle] : (valid[middle - 1] + valid[middle]) / 2;
    summary.low = valid.front();
    summary.high = valid.back();
    return summary;
}

std::string Format(char const* format, double a, double b = 0, double c = 0)
{
    char text[128];
    std::snprintf(text, sizeof(text), format, a, b, c);
    return text;
}

std::string Cell(Summary const& summary)
{
    std::string cell = Format("%.1f ms (%.1f–%.1f)", summary.median, summary.low, summary.high);
    if (summary.failures > 0)
    {
        cell += Format(", %.0f timed out", summary.failures);
    }
    return cell;
}

std::string Verdict(bool met)
{
    return met ? "met" : "**missed**";
}

long long FileSize(std::wstring const& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Every menu command, `cycles` times, the way a user would work them; returns
// the number of commands that did not show their message box.
int RunEndurance(DWORD processId, std::wstring const& host, int cycles)
{
    std::wstring const hostAway = host + L".away";
    int failures = 0;
    for (int i = 0; i < cycles; ++i)
    {
        failures += MeasureMenuOpen() < 0;
        failures += !Choose(processId, MENU_START_SCREEN);
        failures += !WaitUntil([] { return WaitNamedPipeW(STOP_CHANNEL_PIPE, 1) != FALSE; });
        failures += !Choose(processId, MENU_STOP_SCREEN);
        failures += !WaitUntil([] { return FindProcesses(HOST_IMAGE).empty(); });
        failures += !Choose(processId, MENU_STOP_SCREEN);
        failures += !Choose(processId, MENU_FORCE_CLOSE);
        failures += !Choose(processId, MENU_INSTALL_DRIVER);
        failures += !Choose(processId, MENU_UNINSTALL_DRIVER);
        MoveFileW(host.c_str(), hostAway.c_str());
        failures += !Choose(processId, MENU_START_SCREEN);
        MoveFileW(hostAway.c_str(), host.c_str());
        if ((i + 1) % 100 == 0)
        {
            std::printf("endurance: %d of %d cycles\n", i + 1, cycles);
            std::fflush(stdout);
        }
    }
    return failures;
}
}

int wmain(int argc, wchar_t** argv)
{
    if (argc < 6)
    {
        std::fwprintf(
            stderr, L"usage: tray_benchmark OURS.exe BARE.exe HOST_STANDIN.exe OUTPUT.md CYCLES\n");
        return 2;
    }
    std::wstring const folder = MakeFreshFolder(L"基准");
    Program const ours = {folder + L"\\phantomDeskTray.exe", TRAY_WINDOW_CLASS_NAME, true};
    Program const bare = {folder + L"\\bare_tray.exe", L"BareTrayWindow", false};
    std::wstring const host = folder + L"\\" + HOST_IMAGE;
    CopyFileW(argv[1], ours.path.c_str(), FALSE);
    CopyFileW(argv[2], bare.path.c_str(), FALSE);
    CopyFileW(argv[3], host.c_str(), FALSE);
    int const cycles = _wtoi(argv[5]);

    // Start-up, alternating the two programs so that both see the same machine.
    std::vector<double> oursIcon, oursGreeting, bareIcon;
    for (int run = 0; run < STARTUP_RUNS; ++run)
    {
        for (Program const* program : {&ours, &bare})
        {
            Running running;
            double toIcon = -1;
            double toGreeting = -1;
            StartMeasured(*program, &running, &toIcon, &toGreeting);
            (program == &ours ? oursIcon : bareIcon).push_back(toIcon);
            if (program == &ours)
            {
                oursGreeting.push_back(toGreeting);
            }
            Stop(&running);
        }
        std::printf("start-up: run %d of %d\n", run + 1, STARTUP_RUNS);
        std::fflush(stdout);
    }

    // Menus in rounds, alternating the two programs as for the start-up: a run of
    // one program after the other's saw the machine drift in between. The working
    // set and the choices are taken in the first round.
    std::vector<double> oursMenu, bareMenu, stopChoice, forceChoice;
    double oursWorkingSet = 0;
    double bareWorkingSet = 0;
    for (int round = 0; round < MENU_ROUNDS; ++round)
    {
        for (Program const* program : {&ours, &bare})
        {
            Running running;
            double ignored = 0;
            StartMeasured(*program, &running, &ignored, &ignored);
            if (round == 0)
            {
                (program == &ours ? oursWorkingSet : bareWorkingSet) =
                    SettledWorkingSetKiB(running.process.process);
            }
            for (int i = 0; i < MENU_RUNS / MENU_ROUNDS; ++i)
            {
                (program == &ours ? oursMenu : bareMenu).push_back(MeasureMenuOpen());
            }
            if (program == &ours && round == 0)
            {
                for (int i = 0; i < CHOICE_RUNS; ++i)
                {
                    stopChoice.push_back(MeasureChoice(running.process.id, MENU_STOP_SCREEN));
                    forceChoice.push_back(MeasureChoice(running.process.id, MENU_FORCE_CLOSE));
                }
            }
            Stop(&running);
        }
    }
    std::printf("latency measured\n");
    std::fflush(stdout);

    // Endurance on a fresh copy.
    Running running;
    double ignored = 0;
    StartMeasured(ours, &running, &ignored, &ignored);
    double const enduranceStart = SettledWorkingSetKiB(running.process.process);
    double const enduranceBegan = NowMs();
    int const failures = RunEndurance(running.process.id, host, cycles);
    double const enduranceMinutes = (NowMs() - enduranceBegan) / 60000.0;
    DWORD_PTR result = 0;
    bool const answers =
        SendMessageTimeoutW(running.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0 &&
        MeasureMenuOpen() >= 0;
    double const enduranceEnd = SettledWorkingSetKiB(running.process.process);
    Stop(&running);
    EndProcesses(HOST_IMAGE);

    Summary const oursIconSummary = Summarize(oursIcon);
    Summary const bareIconSummary = Summarize(bareIcon);
    Summary const oursMenuSummary = Summarize(oursMenu);
    Summary const bareMenuSummary = Summarize(bareMenu);
    double const startupRatio = oursIconSummary.median / bareIconSummary.median;
    double const menuRatio = oursMenuSummary.median / bareMenuSummary.median;
    double const growth = (enduranceEnd - enduranceStart) / enduranceStart;
    long long const oursSize = FileSize(ours.path);
    long long const bareSize = FileSize(bare.path);

    std::string text;
    text += "| Figure | phantomDeskTray | bare tray program | ratio | target |\n";
    text += "|---|---|---|---|---|\n";
    text += "| start-up: process creation to tray icon | " + Cell(oursIconSummary) + " | " +
            Cell(bareIconSummary) + " | " + Format("%.2f", startupRatio) +
            " | ≤ 1.25: " + Verdict(startupRatio <= LATENCY_TARGET_RATIO) + " |\n";
    text += "| start-up: process creation to greeting on screen | " +
            Cell(Summarize(oursGreeting)) + " | — | — | — |\n";
    text += "| right click to menu on screen | " + Cell(oursMenuSummary) + " | " +
            Cell(bareMenuSummary) + " | " + Format("%.2f", menuRatio) +
            " | ≤ 1.25: " + Verdict(menuRatio <= LATENCY_TARGET_RATIO) + " |\n";
    text += "| menu choice to message box: stop, no screen host | " + Cell(Summarize(stopChoice)) +
            " | — | — | — |\n";
    text += "| menu choice to message box: force close, no screen host | " +
            Cell(Summarize(forceChoice)) + " | — | — | — |\n";
    text += "| working set after start-up | " + Format("%.0f KiB", oursWorkingSet) + " | " +
            Format("%.0f KiB", bareWorkingSet) + " | " +
            Format("%.2f", oursWorkingSet / bareWorkingSet) + " | — |\n";
    text += "| working set after start-up, then after the endurance run | " +
            Format("%.0f KiB → %.0f KiB (%+.1f%%)", enduranceStart, enduranceEnd, 100 * growth) +
            " | — | — | within 5%: " + Verdict(growth <= WORKING_SET_TARGET_GROWTH) + " |\n";
    text += "| size of the release .exe (stripped) | " +
            Format("%.0f bytes", static_cast<double>(oursSize)) + " | " +
            Format("%.0f bytes", static_cast<double>(bareSize)) + " | " +
            Format("%.2f", static_cast<double>(oursSize) / static_cast<double>(bareSize)) +
            " | ≤ 100 KB: " + Verdict(oursSize <= SIZE_TARGET_BYTES) + " |\n";
    text += "\n";
    text +=
        Format("Endurance from outside: %.0f cycles in %.1f minutes, ", cycles, enduranceMinutes) +
        Format("%.0f commands without their message box; ", failures) + "afterwards the program " +
        (answers ? "still answered" : "**did not answer**") +
        " (a window message and a right click).\n";
    text += Format("Runs: start-up %.0f of each, menu %.0f of each, each choice %.0f. ",
                   STARTUP_RUNS, MENU_RUNS, CHOICE_RUNS) +
            "Cells give the median with the lowest and highest run in brackets.\n";

    HANDLE const output = CreateFileW(argv[4], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(output);
    RemoveFolder(folder);
    std::printf("%s", text.c_str());
    return failures == 0 && answers ? 0 : 1;
}
