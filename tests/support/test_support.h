#pragma once

// Helpers that let tests see and answer what the program shows, the way a user
// would: its message boxes, its tray icon and its menu, and the processes it starts.

#include "fixture_log.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// What the user and the other programs know the tray program by, written out
// here rather than taken from the program, so a wrong character is caught.
wchar_t const PROGRAM_IMAGE[] = L"phantomDeskTray.exe";
wchar_t const HOST_IMAGE[] = L"PhantomDeskHost.exe";
wchar_t const TRAY_WINDOW_CLASS_NAME[] = L"MYWNDCLASS";
wchar_t const STOP_CHANNEL_PIPE[] = L"\\\\.\\pipe\\MyPipe";

// Menu positions, top to bottom, as the user sees them.
int const MENU_START_SCREEN = 1;
int const MENU_STOP_SCREEN = 2;
int const MENU_FORCE_CLOSE = 3;
int const MENU_INSTALL_DRIVER = 4;
int const MENU_UNINSTALL_DRIVER = 5;
int const MENU_EXIT = 6;

// How long a test waits for something the program should do at once.
DWORD const WAIT_TIMEOUT_MS = 10000;
// How long a test watches to be sure something does not happen.
DWORD const QUIET_PERIOD_MS = 1500;

// Polls condition until it holds or timeoutMs passes; returns its last value.
bool WaitUntil(std::function<bool()> const& condition, DWORD timeoutMs = WAIT_TIMEOUT_MS);

enum class BoxIcon
{
    None,
    Information,
    Error,
    Unknown,
};

struct SeenMessageBox
{
    bool found = false;
    std::wstring caption;
    std::wstring text;
    HWND owner = nullptr;
    BoxIcon icon = BoxIcon::Unknown;
    // Above every window that is not topmost itself.
    bool topmost = false;
    // Tray icons on screen while the box was shown.
    int trayIcons = 0;
};

// Checks every part of a box the user sees, with the expected values written out.
void ExpectMessageBox(SeenMessageBox const& seen, wchar_t const* caption, wchar_t const* text,
                      HWND owner, BoxIcon icon);

// A visible message box of processId (any process when 0), or null.
HWND FindMessageBox(DWORD processId);
// How many message boxes processId shows at once.
int CountMessageBoxes(DWORD processId);

// Waits for a message box of processId, reads it, presses its OK button and waits
// until it has gone. found is false when none appeared in time.
SeenMessageBox AnswerMessageBox(DWORD processId, DWORD timeoutMs = WAIT_TIMEOUT_MS);

// True when processId shows no message box during the quiet period.
bool ShowsNoMessageBox(DWORD processId, DWORD periodMs = QUIET_PERIOD_MS);

// Runs poll over and over on a thread of its own until stopped; for watching
// what code under test shows while it blocks the test's thread.
struct Watcher
{
    HANDLE thread = nullptr;
    HANDLE stop = nullptr;
    std::function<void()> poll;
};
void StartWatching(Watcher* watcher, std::function<void()> const& poll);
void StopWatching(Watcher* watcher);

// Answers every message box of processId while it runs, and keeps what it saw.
struct MessageBoxAnswerer
{
    Watcher watcher;
    std::vector<SeenMessageBox> seen;
};
// Reading a box's icon takes a picture of it; leave that out where only speed
// matters.
void StartAnswering(MessageBoxAnswerer* answerer, DWORD processId, bool readIcons = true);
std::vector<SeenMessageBox> StopAnswering(MessageBoxAnswerer* answerer);

// The pixels that draw puts on a new picture of this size, 32-bit BGRA rows from
// the top; empty when draw returns false.
std::vector<unsigned char> DrawPicture(int width, int height, std::function<bool(HDC)> const& draw);
// The screen's pixels in area, as DrawPicture gives them.
std::vector<unsigned char> CaptureScreen(RECT const& area);

// The tray: Wine shows icons without a system tray in a window of its own.
int CountTrayIcons();
// The pixels of the first tray icon's slot, as CaptureScreen gives them; empty
// when there is none.
std::vector<unsigned char> CaptureTrayIcon();
// The monitor as the program draws it: a dark bezel round blue glass, on a grey
// stand. How many pixels of each a picture holds.
struct IconColours
{
    int bezel = 0;
    int glass = 0;
    int stand = 0;
};
IconColours CountIconColours(std::vector<unsigned char> const& pixels);
// Right-clicks the first tray icon with real mouse input; false when there is none.
bool RightClickTrayIcon();
// The open popup menu, or null when none opens in time.
HWND WaitForPopupMenu(DWORD timeoutMs = WAIT_TIMEOUT_MS);
// Chooses the entry at position (1 = first) of the open menu with the keyboard.
void ChooseMenuEntry(HWND menu, int position);
// Closes the open menu without choosing anything.
void DismissMenu(HWND menu);

// Processes.
struct StartedProcess
{
    HANDLE process = nullptr;
    DWORD id = 0;
    // Its first thread, while it waits to run.
    HANDLE suspendedThread = nullptr;
};
// Starts path with commandLine (may be empty), optionally as a non-administrator,
// and optionally suspended until ResumeProcess.
StartedProcess StartProcess(std::wstring const& path, std::wstring const& commandLine = L"",
                            bool withoutAdministrators = false, bool suspended = false);
void ResumeProcess(StartedProcess* started);
// Exit code, or STILL_ACTIVE when it did not end in time.
DWORD WaitForExit(StartedProcess const& started, DWORD timeoutMs = WAIT_TIMEOUT_MS);
void CloseProcess(StartedProcess* started);
// Identifiers of the running processes with this image name (any letter case).
std::vector<DWORD> FindProcesses(std::wstring const& imageName);
// Ends every process with this image name and waits for them to go.
void EndProcesses(std::wstring const& imageName);
// The command line a running process was started with.
std::wstring ReadCommandLine(DWORD processId);
// The top-level window of class className that belongs to processId, or null.
HWND FindWindowOfProcess(DWORD processId, wchar_t const* className);

// Files. (OwnDirectory and ToUtf8 come from the stand-ins' helpers.)
// A new, empty folder whose path holds spaces and Chinese characters.
std::wstring MakeFreshFolder(wchar_t const* purpose);
void RemoveFolder(std::wstring const& folder);
bool FileExists(std::wstring const& path);
void WriteTextFile(std::wstring const& path, std::string const& content);
std::string ReadTextFile(std::wstring const& path);
// Every file in folder whose name matches pattern ("host-*.log").
std::vector<std::wstring> ListFiles(std::wstring const& folder, wchar_t const* pattern);
