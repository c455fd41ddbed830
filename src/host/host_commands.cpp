#include "host/host_commands.h"

#include "common/launch.h"
#include "common/message_box.h"
#include "common/program_dir.h"
#include "host/stop_channel.h"

#include <tlhelp32.h>

#include <cwchar>

namespace
{
wchar_t const SCREEN_HOST_FILE[] = L"\\PhantomDeskHost.exe";

wchar_t const TEXT_HOST_STARTED[] =
    L"虚拟屏幕已启动，请在桌面右键打开菜单进入“显示设置”进行设置";
wchar_t const TEXT_HOST_LAUNCH_FAILED[] = L"无法启动，请检查程序是否正确安装";
wchar_t const TEXT_HOST_STOPPED[] = L"已关闭虚拟屏幕";
wchar_t const TEXT_HOST_NOT_FOUND[] =
    L"找不到虚拟屏幕，若虚拟屏幕仍在运行，首先尝试强制关闭功能";
wchar_t const TEXT_HOST_FORCE_CLOSED[] =
    L"已强制关闭虚拟屏幕进程，若问题仍持续存在，尝试卸载并重新安装驱动或重新启动计算机";
wchar_t const TEXT_HOST_PROCESS_NOT_FOUND[] =
    L"未找到虚拟屏幕进程，若问题确实存在，尝试卸载并重新安装驱动或重新启动计算机";

// Posts WM_CLOSE to the top-level windows of every running screen host; returns
// how many screen host processes were found.
int CloseScreenHostWindows()
{
    HANDLE const snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
    {
        return 0;
    }

    // Every start launches one more screen host, so more than one may be running:
    // each of them gets the request, not only the first in the list.
    int found = 0;
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    {
        if (IsScreenHostImage(entry.szExeFile))
        {
            EnumWindows(EnumWindowsProc, static_cast<LPARAM>(entry.th32ProcessID));
            ++found;
        }
    }
    CloseHandle(snapshot);
    return found;
}
}

void StartScreenHost(HWND hwnd)
{
    wchar_t path[PATH_CAPACITY];
    if (GetProgramFilePath(SCREEN_HOST_FILE, path, ARRAYSIZE(path)) && LaunchDetached(path, SW_HIDE))
    {
        ShowNotice(hwnd, TEXT_HOST_STARTED);
    }
    else
    {
        ShowError(hwnd, TEXT_HOST_LAUNCH_FAILED);
    }
}

void StopScreenHost()
{
    HANDLE const channel = OpenStopChannel();
    if (channel == INVALID_HANDLE_VALUE)
    {
        ShowError(nullptr, TEXT_HOST_NOT_FOUND);
        return;
    }
    bool const delivered = WriteStopSignal(channel);
    CloseHandle(channel);

    // A pipe that opened but took less than the whole signal has not told the
    // screen host anything: claiming it closed would mislead the user.
    if (delivered)
    {
        ShowNotice(nullptr, TEXT_HOST_STOPPED);
    }
    else
    {
        ShowError(nullptr, TEXT_HOST_NOT_FOUND);
    }
}

void ForceCloseScreenHost(HWND hwnd)
{
    if (CloseScreenHostWindows() > 0)
    {
        ShowNotice(hwnd, TEXT_HOST_FORCE_CLOSED);
    }
    else
    {
        ShowError(hwnd, TEXT_HOST_PROCESS_NOT_FOUND);
    }
}

bool IsScreenHostImage(wchar_t const* imageName)
{
    return _wcsicmp(imageName, SCREEN_HOST_IMAGE_NAME) == 0;
}

BOOL CALLBACK EnumWindowsProc(HWND hwnd, LPARAM lParam)
{
    DWORD const hostProcessId = static_cast<DWORD>(lParam);
    DWORD ownerProcessId = 0;
    GetWindowThreadProcessId(hwnd, &ownerProcessId);
    // A window whose owner cannot be read yields 0, which never matches a host.
    if (ownerProcessId != 0 && ownerProcessId == hostProcessId)
    {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    }
    return TRUE;
}
