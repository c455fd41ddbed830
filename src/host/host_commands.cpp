#include "host/host_commands.h"

#include "common/launch.h"
#include "common/message_box.h"
#include "common/wait.h"
#include "host/screen_host_process.h"
#include "host/stop_channel.h"

#include <tlhelp32.h>

namespace
{
wchar_t const SCREEN_HOST_FILE[] = L"\\PhantomDeskHost.exe";

// How long the screen hosts asked to close get, together, to end by themselves.
// One that does gets to remove its virtual screen cleanly.
DWORD const HOST_CLOSE_TIMEOUT_MS = 2000;
// How long a host that had to be ended gets to be gone. Ending is not
// immediate: a host with a request pending in the display driver goes only once
// the driver has finished or cancelled it.
DWORD const HOST_TERMINATE_TIMEOUT_MS = 5000;
UINT const HOST_TERMINATED_EXIT_CODE = 1;
// Hosts are asked and waited for in rounds of at most this many, whose handles
// fit on the stack; any beyond get a round of their own.
DWORD const HOSTS_PER_ROUND = 64;

wchar_t const TEXT_HOST_STARTED[] = L"虚拟屏幕已启动，请在桌面右键打开菜单进入“显示设置”进行设置";
wchar_t const TEXT_HOST_LAUNCH_FAILED[] = L"无法启动，请检查程序是否正确安装";
wchar_t const TEXT_HOST_STOPPED[] = L"已关闭虚拟屏幕";
wchar_t const TEXT_HOST_NOT_FOUND[] = L"找不到虚拟屏幕，若虚拟屏幕仍在运行，首先尝试强制关闭功能";
wchar_t const TEXT_HOST_FORCE_CLOSED[] =
    L"已强制关闭虚拟屏幕进程，若问题仍持续存在，尝试卸载并重新安装驱动或重新启动计算机";
wchar_t const TEXT_HOST_FORCE_CLOSE_FAILED[] = L"无法强制关闭虚拟屏幕进程，请重新启动计算机";
wchar_t const TEXT_HOST_PROCESS_NOT_FOUND[] =
    L"未找到虚拟屏幕进程，若问题确实存在，尝试卸载并重新安装驱动或重新启动计算机";

enum class ForceCloseOutcome
{
    NoHost,
    AllEnded,
    SomeRemain,
};

// What became of a screen host from the process list when it was asked to close.
enum class HostRequest
{
    // Asked, and its handle kept until it has ended.
    Asked,
    // It could not be opened; asked all the same, but it may run on.
    Unreachable,
    // It ended after the list was taken: its identifier now names another
    // program or none.
    Gone,
    // It belongs to another signed-in user's session, which is theirs to close.
    OtherSession,
};

// Screen hosts that were asked to close and are waited for together.
struct ClosingHosts
{
    HANDLE processes[HOSTS_PER_ROUND];
    DWORD count;
};

HostRequest AskHostToClose(ClosingHosts* closing, DWORD processId);
bool EndClosingHosts(ClosingHosts* closing);
ForceCloseOutcome ForceCloseScreenHosts();

// Opens the host and posts WM_CLOSE to its top-level windows. Between the list
// and the open its identifier may have passed to another program, so only what
// the handle shows counts; held from then on, the handle keeps the identifier
// from passing on until we are done with it.
HostRequest AskHostToClose(ClosingHosts* closing, DWORD processId)
{
    HANDLE const process = OpenProcess(
        SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr)
    {
        if (GetLastError() == ERROR_INVALID_PARAMETER)
        {
            return HostRequest::Gone;
        }
        if (IsInOtherSession(processId))
        {
            return HostRequest::OtherSession;
        }
        EnumWindows(EnumWindowsProc, static_cast<LPARAM>(processId));
        return HostRequest::Unreachable;
    }
    if (!IsScreenHostProcess(process))
    {
        CloseHandle(process);
        return HostRequest::Gone;
    }
    if (IsInOtherSession(processId))
    {
        CloseHandle(process);
        return HostRequest::OtherSession;
    }
    closing->processes[closing->count++] = process;
    EnumWindows(EnumWindowsProc, static_cast<LPARAM>(processId));
    return HostRequest::Asked;
}

// Gives the hosts their time to close, ends those that did not, and lets go of
// them. True when every one of them has gone.
bool EndClosingHosts(ClosingHosts* closing)
{
    bool ended =
        WaitAnsweringSentMessages(closing->count, closing->processes, HOST_CLOSE_TIMEOUT_MS);
    if (!ended)
    {
        for (DWORD i = 0; i < closing->count; ++i)
        {
            if (WaitForSingleObject(closing->processes[i], 0) == WAIT_TIMEOUT)
            {
                TerminateProcess(closing->processes[i], HOST_TERMINATED_EXIT_CODE);
            }
        }
        ended = WaitAnsweringSentMessages(closing->count, closing->processes,
                                          HOST_TERMINATE_TIMEOUT_MS);
    }
    for (DWORD i = 0; i < closing->count; ++i)
    {
        CloseHandle(closing->processes[i]);
    }
    closing->count = 0;
    return ended;
}

// Asks every screen host of this session to close, and ends those that do not.
// Every start launches one more, so more than one may be running: each of them
// is reached, not only the first in the list.
ForceCloseOutcome ForceCloseScreenHosts()
{
    HANDLE const snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
    {
        return ForceCloseOutcome::NoHost;
    }

    bool found = false;
    bool allEnded = true;
    ClosingHosts closing = {};
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry))
    {
        if (!IsScreenHostImage(entry.szExeFile))
        {
            continue;
        }
        HostRequest const request = AskHostToClose(&closing, entry.th32ProcessID);
        found = found || request != HostRequest::OtherSession;
        allEnded = allEnded && request != HostRequest::Unreachable;
        if (closing.count == HOSTS_PER_ROUND)
        {
            allEnded = EndClosingHosts(&closing) && allEnded;
        }
    }
    CloseHandle(snapshot);
    allEnded = EndClosingHosts(&closing) && allEnded;

    if (!found)
    {
        return ForceCloseOutcome::NoHost;
    }
    return allEnded ? ForceCloseOutcome::AllEnded : ForceCloseOutcome::SomeRemain;
}
}

void StartScreenHost(HWND hwnd)
{
    if (LaunchProgramFile(SCREEN_HOST_FILE, SW_HIDE))
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

    // A pipe that opened but did not take the whole signal in time has not told
    // the screen host anything: claiming it closed would mislead the user.
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
    // Success is claimed only once every host has gone: the user asks for this
    // when a host misbehaves, and a host that still runs has not been closed.
    switch (ForceCloseScreenHosts())
    {
    case ForceCloseOutcome::AllEnded:
        ShowNotice(hwnd, TEXT_HOST_FORCE_CLOSED);
        break;
    case ForceCloseOutcome::SomeRemain:
        ShowError(hwnd, TEXT_HOST_FORCE_CLOSE_FAILED);
        break;
    case ForceCloseOutcome::NoHost:
        ShowError(hwnd, TEXT_HOST_PROCESS_NOT_FOUND);
        break;
    }
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
