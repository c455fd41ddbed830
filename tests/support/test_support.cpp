#include "test_support.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>
#include <winternl.h>

#include <cwchar>

namespace
{
DWORD const POLL_INTERVAL_MS = 20;
// The message box's icon and text controls (Wine's identifiers, then Windows').
int const BOX_ICON_CONTROL_IDS[] = {0x0440, 0x0014};
int const BOX_TEXT_CONTROL_ID = 0xFFFF;
wchar_t const MESSAGE_BOX_CLASS[] = L"#32770";
wchar_t const POPUP_MENU_CLASS[] = L"#32768";
wchar_t const WINE_TRAY_CLASS[] = L"__winex11_standalone_tray";
wchar_t const WINE_TRAY_ICON_CLASS[] = L"__winex11_tray_icon";

struct BoxSearch
{
    DWORD processId;
    HWND found; // the topmost
    int count;
};

BOOL CALLBACK FindBoxCallback(HWND hwnd, LPARAM lParam)
{
    BoxSearch* search = reinterpret_cast<BoxSearch*>(lParam);
    wchar_t className[64] = {};
    GetClassNameW(hwnd, className, ARRAYSIZE(className));
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (wcscmp(className, MESSAGE_BOX_CLASS) == 0 && IsWindowVisible(hwnd) &&
        (search->processId == 0 || owner == search->processId))
    {
        search->found = search->found != nullptr ? search->found : hwnd;
        ++search->count;
    }
    return TRUE;
}

std::wstring WindowText(HWND hwnd)
{
    wchar_t text[1024] = {};
    GetWindowTextW(hwnd, text, ARRAYSIZE(text));
    return text;
}

// Tells the icons apart by what the user sees: the information icon is blue, the
// error icon red. Handles cannot be compared across processes.
BoxIcon ClassifyIconPixels(HWND iconControl)
{
    RECT rect = {};
    GetWindowRect(iconControl, &rect);
    std::vector<unsigned char> const pixels = CaptureScreen(rect);
    int red = 0;
    int blue = 0;
    for (size_t i = 0; i + 3 < pixels.size(); i += 4)
    {
        int const b = pixels[i];
        int const g = pixels[i + 1];
        int const r = pixels[i + 2];
        if (r > 150 && g < 110 && b < 110)
        {
            ++red;
        }
        else if (b > 150 && r < 130)
        {
            ++blue;
        }
    }
    int const enough = static_cast<int>(pixels.size() / 4 / 20);
    if (red > enough && red > blue)
    {
        return BoxIcon::Error;
    }
    if (blue > enough && blue > red)
    {
        return BoxIcon::Information;
    }
    return BoxIcon::Unknown;
}

BoxIcon ReadBoxIcon(HWND box)
{
    for (int id : BOX_ICON_CONTROL_IDS)
    {
        HWND const control = GetDlgItem(box, id);
        if (control == nullptr)
        {
            continue;
        }
        if (!IsWindowVisible(control) || SendMessageW(control, STM_GETICON, 0, 0) == 0)
        {
            return BoxIcon::None;
        }
        // The box may not have painted yet.
        BoxIcon icon = BoxIcon::Unknown;
        WaitUntil(
            [&] {
                icon = ClassifyIconPixels(control);
                return icon != BoxIcon::Unknown;
            },
            2000);
        return icon;
    }
    return BoxIcon::None;
}

SeenMessageBox ReadAndAnswer(HWND box, bool readIcon = true)
{
    SeenMessageBox seen;
    seen.found = true;
    seen.caption = WindowText(box);
    wchar_t text[2048] = {};
    GetDlgItemTextW(box, BOX_TEXT_CONTROL_ID, text, ARRAYSIZE(text));
    seen.text = text;
    seen.owner = GetWindow(box, GW_OWNER);
    seen.topmost = (GetWindowLongW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    seen.icon = readIcon ? ReadBoxIcon(box) : BoxIcon::Unknown;
    seen.trayIcons = CountTrayIcons();
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); });
    return seen;
}

DWORD WINAPI WatchLoop(void* parameter)
{
    Watcher* watcher = static_cast<Watcher*>(parameter);
    while (WaitForSingleObject(watcher->stop, POLL_INTERVAL_MS) == WAIT_TIMEOUT)
    {
        watcher->poll();
    }
    return 0;
}

HWND FindTrayIconWindow()
{
    HWND const tray = FindWindowW(WINE_TRAY_CLASS, nullptr);
    return tray != nullptr ? FindWindowExW(tray, nullptr, WINE_TRAY_ICON_CLASS, nullptr) : nullptr;
}

void SendMouseButton(DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(input));
}

PSID AdministratorsSid()
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS,
                             0, 0, 0, 0, 0, 0, &sid);
    return sid;
}

// A token like ours but with the Administrators group for denial only, as a
// user who is not elevated has it.
HANDLE MakeNonAdministratorToken()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token);
    SID_AND_ATTRIBUTES disable = {AdministratorsSid(), 0};
    HANDLE restricted = nullptr;
    CreateRestrictedToken(token, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted);
    FreeSid(disable.Sid);
    CloseHandle(token);
    return restricted;
}
}

bool WaitUntil(std::function<bool()> const& condition, DWORD timeoutMs)
{
    DWORD const start = GetTickCount();
    for (;;)
    {
        if (condition())
        {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs)
        {
            return condition();
        }
        Sleep(POLL_INTERVAL_MS);
    }
}

HWND FindMessageBox(DWORD processId)
{
    BoxSearch search = {processId, nullptr, 0};
    EnumWindows(FindBoxCallback, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int CountMessageBoxes(DWORD processId)
{
    BoxSearch search = {processId, nullptr, 0};
    EnumWindows(FindBoxCallback, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

SeenMessageBox AnswerMessageBox(DWORD processId, DWORD timeoutMs)
{
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = FindMessageBox(processId)) != nullptr; }, timeoutMs))
    {
        return SeenMessageBox();
    }
    return ReadAndAnswer(box);
}

void ExpectMessageBox(SeenMessageBox const& seen, wchar_t const* caption, wchar_t const* text,
                      HWND owner, BoxIcon icon)
{
    ASSERT_TRUE(seen.found) << "no message box";
    EXPECT_EQ(caption, seen.caption);
    EXPECT_EQ(text, seen.text);
    EXPECT_EQ(owner, seen.owner);
    EXPECT_EQ(icon, seen.icon);
}

bool ShowsNoMessageBox(DWORD processId, DWORD periodMs)
{
    return !WaitUntil([&] { return FindMessageBox(processId) != nullptr; }, periodMs);
}

void StartWatching(Watcher* watcher, std::function<void()> const& poll)
{
    watcher->poll = poll;
    watcher->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    watcher->thread = CreateThread(nullptr, 0, WatchLoop, watcher, 0, nullptr);
}

void StopWatching(Watcher* watcher)
{
    SetEvent(watcher->stop);
    WaitForSingleObject(watcher->thread, INFINITE);
    CloseHandle(watcher->thread);
    CloseHandle(watcher->stop);
    *watcher = Watcher();
}

void StartAnswering(MessageBoxAnswerer* answerer, DWORD processId, bool readIcons)
{
    answerer->seen.clear();
    StartWatching(&answerer->watcher, [answerer, processId, readIcons] {
        HWND const box = FindMessageBox(processId);
        if (box != nullptr)
        {
            answerer->seen.push_back(ReadAndAnswer(box, readIcons));
        }
    });
}

std::vector<SeenMessageBox> StopAnswering(MessageBoxAnswerer* answerer)
{
    StopWatching(&answerer->watcher);
    return answerer->seen;
}

std::vector<unsigned char> DrawPicture(int width, int height, std::function<bool(HDC)> const& draw)
{
    std::vector<unsigned char> pixels;
    if (width <= 0 || height <= 0)
    {
        return pixels;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC const memory = CreateCompatibleDC(nullptr);
    HBITMAP const bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ const previous = SelectObject(memory, bitmap);
    bool const drawn = bits != nullptr && draw(memory);
    GdiFlush();
    if (drawn)
    {
        unsigned char const* first = static_cast<unsigned char const*>(bits);
        pixels.assign(first, first + static_cast<size_t>(width) * height * 4);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return pixels;
}

std::vector<unsigned char> CaptureScreen(RECT const& area)
{
    int const width = area.right - area.left;
    int const height = area.bottom - area.top;
    return DrawPicture(width, height, [&](HDC picture) {
        HDC const screen = GetDC(nullptr);
        bool const copied =
            BitBlt(picture, 0, 0, width, height, screen, area.left, area.top, SRCCOPY) != FALSE;
        ReleaseDC(nullptr, screen);
        return copied;
    });
}

int CountTrayIcons()
{
    HWND const tray = FindWindowW(WINE_TRAY_CLASS, nullptr);
    int count = 0;
    for (HWND icon = tray != nullptr ? FindWindowExW(tray, nullptr, WINE_TRAY_ICON_CLASS, nullptr)
                                     : nullptr;
         icon != nullptr; icon = FindWindowExW(tray, icon, WINE_TRAY_ICON_CLASS, nullptr))
    {
        if (IsWindowVisible(icon))
        {
            ++count;
        }
    }
    return count;
}

std::vector<unsigned char> CaptureTrayIcon()
{
    HWND const icon = FindTrayIconWindow();
    RECT rect = {};
    if (icon == nullptr || !GetWindowRect(icon, &rect))
    {
        return std::vector<unsigned char>();
    }
    return CaptureScreen(rect);
}

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

bool RightClickTrayIcon()
{
    HWND const icon = FindTrayIconWindow();
    if (icon == nullptr)
    {
        return false;
    }
    RECT rect = {};
    GetWindowRect(icon, &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
    SendMouseButton(MOUSEEVENTF_RIGHTUP);
    return true;
}

HWND WaitForPopupMenu(DWORD timeoutMs)
{
    HWND menu = nullptr;
    WaitUntil(
        [&] {
            menu = FindWindowW(POPUP_MENU_CLASS, nullptr);
            return menu != nullptr && IsWindowVisible(menu);
        },
        timeoutMs);
    return menu != nullptr && IsWindowVisible(menu) ? menu : nullptr;
}

void ChooseMenuEntry(HWND menu, int position)
{
    // The first VK_DOWN selects the first entry.
    for (int i = 0; i < position; ++i)
    {
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    }
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

void DismissMenu(HWND menu)
{
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}

StartedProcess StartProcess(std::wstring const& path, std::wstring const& commandLine,
                            bool withoutAdministrators, bool suspended)
{
    DWORD const flags = suspended ? CREATE_SUSPENDED : 0;
    std::wstring line = L"\"" + path + L"\"";
    if (!commandLine.empty())
    {
        line += L" " + commandLine;
    }
    STARTUPINFOW startupInfo = {sizeof(startupInfo)};
    PROCESS_INFORMATION processInfo = {};
    BOOL started = FALSE;
    if (withoutAdministrators)
    {
        HANDLE const token = MakeNonAdministratorToken();
        started = CreateProcessAsUserW(token, path.c_str(), &line[0], nullptr, nullptr, FALSE,
                                       flags, nullptr, nullptr, &startupInfo, &processInfo);
        CloseHandle(token);
    }
    else
    {
        started = CreateProcessW(path.c_str(), &line[0], nullptr, nullptr, FALSE, flags, nullptr,
                                 nullptr, &startupInfo, &processInfo);
    }
    StartedProcess result;
    if (started)
    {
        result.process = processInfo.hProcess;
        result.id = processInfo.dwProcessId;
        result.suspendedThread = suspended ? processInfo.hThread : nullptr;
        if (!suspended)
        {
            CloseHandle(processInfo.hThread);
        }
    }
    return result;
}

void ResumeProcess(StartedProcess* started)
{
    ResumeThread(started->suspendedThread);
    CloseHandle(started->suspendedThread);
    started->suspendedThread = nullptr;
}

DWORD WaitForExit(StartedProcess const& started, DWORD timeoutMs)
{
    if (WaitForSingleObject(started.process, timeoutMs) != WAIT_OBJECT_0)
    {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(started.process, &code);
    return code;
}

void CloseProcess(StartedProcess* started)
{
    if (started->process != nullptr)
    {
        if (WaitForSingleObject(started->process, 0) == WAIT_TIMEOUT)
        {
            TerminateProcess(started->process, 1);
            WaitForSingleObject(started->process, WAIT_TIMEOUT_MS);
        }
        CloseHandle(started->process);
    }
    *started = StartedProcess();
}

std::vector<DWORD> FindProcesses(std::wstring const& imageName)
{
    std::vector<DWORD> found;
    HANDLE const snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
    {
        return found;
    }
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
    {
        if (_wcsicmp(entry.szExeFile, imageName.c_str()) == 0)
        {
            found.push_back(entry.th32ProcessID);
        }
    }
    CloseHandle(snapshot);
    return found;
}

void EndProcesses(std::wstring const& imageName)
{
    for (DWORD id : FindProcesses(imageName))
    {
        HANDLE const process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (process != nullptr)
        {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, WAIT_TIMEOUT_MS);
            CloseHandle(process);
        }
    }
}

std::wstring ReadCommandLine(DWORD processId)
{
    typedef NTSTATUS(NTAPI * QueryInformationProcessFn)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG,
                                                        PULONG);
    QueryInformationProcessFn const query =
        reinterpret_cast<QueryInformationProcessFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE const process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
    std::wstring commandLine;
    PROCESS_BASIC_INFORMATION basic = {};
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (process != nullptr &&
        query(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) == 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr) &&
        ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof(parameters), nullptr))
    {
        commandLine.resize(parameters.CommandLine.Length / sizeof(wchar_t));
        ReadProcessMemory(process, parameters.CommandLine.Buffer, &commandLine[0],
                          parameters.CommandLine.Length, nullptr);
    }
    if (process != nullptr)
    {
        CloseHandle(process);
    }
    return commandLine;
}

HWND FindWindowOfProcess(DWORD processId, wchar_t const* className)
{
    for (HWND window = FindWindowExW(nullptr, nullptr, className, nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, className, nullptr))
    {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId)
        {
            return window;
        }
    }
    return nullptr;
}

std::wstring MakeFreshFolder(wchar_t const* purpose)
{
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(ARRAYSIZE(temp), temp);
    std::wstring const folder = std::wstring(temp) + L"虚拟 屏幕 测试 " + purpose + L" " +
                                std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
    RemoveFolder(folder);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

void RemoveFolder(std::wstring const& folder)
{
    // Through the long-path prefix, since tests make folders deeper than MAX_PATH.
    std::wstring const longFolder = folder.rfind(L"\\\\?\\", 0) == 0 ? folder : L"\\\\?\\" + folder;
    WIN32_FIND_DATAW data = {};
    HANDLE const find = FindFirstFileW((longFolder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            std::wstring const name = data.cFileName;
            if (name == L"." || name == L"..")
            {
                continue;
            }
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            {
                RemoveFolder(longFolder + L"\\" + name);
            }
            else
            {
                DeleteFileW((longFolder + L"\\" + name).c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(longFolder.c_str());
}

bool FileExists(std::wstring const& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteTextFile(std::wstring const& path, std::string const& content)
{
    HANDLE const file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadTextFile(std::wstring const& path)
{
    HANDLE const file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    std::string content;
    if (file == INVALID_HANDLE_VALUE)
    {
        return content;
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
    {
        content.append(buffer, read);
    }
    CloseHandle(file);
    return content;
}

std::vector<std::wstring> ListFiles(std::wstring const& folder, wchar_t const* pattern)
{
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW data = {};
    HANDLE const find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
    {
        return files;
    }
    do
    {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        {
            files.push_back(data.cFileName);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return files;
}
