#include "startup/startup.h"

#include "common/message_box.h"
#include "common/program_dir.h"
#include "common/program_icon.h"
#include "common/system_function.h"
#include "tray/tray_window.h"

#include <objbase.h>
#include <shellapi.h>

HINSTANCE g_hInst = nullptr;

namespace
{
wchar_t const TEXT_ELEVATION_REFUSED[] = L"未允许管理员启动，程序关闭";
wchar_t const TEXT_MUTEX_FAILED[] = L"创建互斥体失败！";
wchar_t const TEXT_ALREADY_RUNNING[] = L"程序已在运行，请勿重复启动！";
wchar_t const RUNAS_VERB[] = L"runas";
// Set in the environment only around our own relaunch, so that a copy that
// Windows starts without elevation inherits it; an elevated copy has no use for
// it and clears it should it get one.
wchar_t const RELAUNCH_MARK[] = L"PHANTOMDESKTRAY_RELAUNCHED";
wchar_t const RELAUNCH_MARK_VALUE[] = L"1";

PSID AllocateAdministratorsSid();
bool TokenHasAdministrators(HANDLE token);

[[noreturn]] void EndWithError(DWORD error)
{
    // Without an answer we cannot tell whether to relaunch; end quietly and let
    // the exit status carry the reason, with no crash dialog in the user's face.
    ExitProcess(error);
}

// The local Administrators group, S-1-5-32-544; null when Windows cannot build it.
// Freed with FreeSid.
PSID AllocateAdministratorsSid()
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators))
    {
        return nullptr;
    }
    return administrators;
}

// True when token has the Administrators group in any form: enabled, disabled or
// for denial only.
bool TokenHasAdministrators(HANDLE token)
{
    DWORD size = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &size);
    HANDLE const heap = GetProcessHeap();
    TOKEN_GROUPS* const groups = static_cast<TOKEN_GROUPS*>(HeapAlloc(heap, 0, size));
    PSID const administrators = AllocateAdministratorsSid();
    bool found = false;
    if (groups != nullptr && administrators != nullptr &&
        GetTokenInformation(token, TokenGroups, groups, size, &size))
    {
        for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
        {
            found = EqualSid(groups->Groups[i].Sid, administrators) != FALSE;
        }
    }
    if (administrators != nullptr)
    {
        FreeSid(administrators);
    }
    if (groups != nullptr)
    {
        HeapFree(heap, 0, groups);
    }
    return found;
}
}

void RestrictDllSearchToSystem32()
{
    // The program runs elevated, often from a Downloads folder: a DLL planted
    // beside it must never be loaded with administrator rights.
    // SetDefaultDllDirectories is missing on Windows versions without KB2533623;
    // there, at least take the current directory out of the search.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    SetDefaultDllDirectoriesFn const setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        FindSystemFunction(L"kernel32.dll", "SetDefaultDllDirectories"));
    if (setDefault != nullptr)
    {
        setDefault(SEARCH_SYSTEM32_ONLY);
    }
    else
    {
        SetDllDirectoryW(L"");
    }
}

bool IsRunningAsAdministrator()
{
    BOOL isMember = FALSE;
    DWORD error = ERROR_SUCCESS;

    PSID const administrators = AllocateAdministratorsSid();
    if (administrators != nullptr)
    {
        // A null token asks about this thread's effective token, where a filtered
        // (not elevated) administrator has the group for denial only.
        if (!CheckTokenMembership(nullptr, administrators, &isMember))
        {
            error = GetLastError();
        }
        FreeSid(administrators);
    }
    else
    {
        error = GetLastError();
    }

    if (error != ERROR_SUCCESS)
    {
        EndWithError(error);
    }
    return isMember != FALSE;
}

bool TakeRelaunchMark()
{
    bool const marked = GetEnvironmentVariableW(RELAUNCH_MARK, nullptr, 0) != 0;
    // Nothing that this copy starts should look relaunched.
    SetEnvironmentVariableW(RELAUNCH_MARK, nullptr);
    return marked;
}

bool IsElevatedWithoutAdministrators()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
    {
        return false;
    }
    // A token that only lacks the group in its enabled form (not elevated, or
    // made restricted) may still get it from the elevation prompt.
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    bool const hopeless =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
        elevation.TokenIsElevated != 0 && !TokenHasAdministrators(token);
    CloseHandle(token);
    return hopeless;
}

void RelaunchElevated()
{
    wchar_t path[PATH_CAPACITY];
    if (!ReadModulePath(nullptr, path, ARRAYSIZE(path)))
    {
        return;
    }

    // The shell may hand the verb to COM extensions, which need an apartment;
    // OLE1's DDE is of no use to them.
    HRESULT const com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SetEnvironmentVariableW(RELAUNCH_MARK, RELAUNCH_MARK_VALUE);

    SHELLEXECUTEINFOW info = {sizeof(info)};
    // We end right after the call, so the start must be complete when it returns;
    // and every failure but the user's refusal stays silent, with no box of the
    // shell's own either.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = RUNAS_VERB;
    info.lpFile = path;
    info.nShow = SW_SHOWNORMAL;
    bool const refused = !ShellExecuteExW(&info) && GetLastError() == ERROR_CANCELLED;

    SetEnvironmentVariableW(RELAUNCH_MARK, nullptr);
    if (SUCCEEDED(com))
    {
        CoUninitialize();
    }
    if (refused)
    {
        RefuseToRunWithoutAdministrator();
    }
}

void RefuseToRunWithoutAdministrator()
{
    ShowError(nullptr, TEXT_ELEVATION_REFUSED);
}

bool AcquireSingleInstance(int* exitCode)
{
    // Held, never closed, for the life of the process: that is the guard.
    HANDLE const mutex = CreateMutexW(nullptr, TRUE, SINGLE_INSTANCE_MUTEX);
    if (mutex == nullptr)
    {
        ShowError(nullptr, TEXT_MUTEX_FAILED);
        *exitCode = EXIT_CODE_FAILURE;
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS)
    {
        ShowNotice(nullptr, TEXT_ALREADY_RUNNING);
        CloseHandle(mutex);
        *exitCode = EXIT_CODE_SUCCESS;
        return false;
    }
    // cppcheck-suppress resourceLeak ; the mutex is the guard and lives as long as we do
    return true;
}

bool RegisterTrayWindowClass()
{
    HINSTANCE const module = GetModuleHandleW(nullptr);

    WNDCLASSEXW windowClass = {sizeof(windowClass)};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WndProc;
    windowClass.hInstance = module;
    // The class keeps its icons for the life of the process.
    windowClass.hIcon =
        LoadProgramIcon(module, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    windowClass.hIconSm =
        LoadProgramIcon(module, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = TRAY_WINDOW_CLASS;
    return RegisterClassExW(&windowClass) != 0;
}

HWND CreateTrayWindow(HINSTANCE instance)
{
    // WndProc adds the tray icon and greets the user before this returns.
    return CreateWindowExW(0, TRAY_WINDOW_CLASS, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                           CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
}

int RunMessageLoop()
{
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
