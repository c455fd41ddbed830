#include "startup/elevation.h"

#include "common/message_box.h"
#include "common/program_dir.h"

#include <objbase.h>
#include <shellapi.h>

namespace
{
wchar_t const TEXT_ELEVATION_REFUSED[] = L"未允许管理员启动，程序关闭";
wchar_t const RUNAS_VERB[] = L"runas";
// Set in the environment only around our own relaunch, so that a copy that
// Windows starts without elevation inherits it; an elevated copy has no use for
// it and clears it should it get one.
wchar_t const RELAUNCH_MARK[] = L"PHANTOMDESKTRAY_RELAUNCHED";
wchar_t const RELAUNCH_MARK_VALUE[] = L"1";

PSID AllocateAdministratorsSid();
bool TokenHasAdministrators(HANDLE token);
bool StartElevatedCopy();

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

// Starts this program again through the elevation prompt, marked as relaunched;
// false when no copy was started, for whatever reason.
bool StartElevatedCopy()
{
    wchar_t path[PATH_CAPACITY];
    if (!ReadModulePath(nullptr, path, ARRAYSIZE(path)))
    {
        return false;
    }

    // The shell may hand the verb to COM extensions, which need an apartment;
    // OLE1's DDE is of no use to them.
    HRESULT const com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    SetEnvironmentVariableW(RELAUNCH_MARK, RELAUNCH_MARK_VALUE);

    SHELLEXECUTEINFOW info = {sizeof(info)};
    // We end right after the call, so the start must be complete when it returns;
    // and a failure is told in our own words, not in a box of the shell's.
    info.fMask = SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = RUNAS_VERB;
    info.lpFile = path;
    info.nShow = SW_SHOWNORMAL;
    bool const started = ShellExecuteExW(&info) != FALSE;

    SetEnvironmentVariableW(RELAUNCH_MARK, nullptr);
    if (SUCCEEDED(com))
    {
        CoUninitialize();
    }
    return started;
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
    // Whatever stops the relaunch, the user's refusal or not (a policy that
    // denies elevation or unsigned programs, a program file moved away since its
    // start), the user double-clicked and must hear why nothing follows.
    if (!StartElevatedCopy())
    {
        RefuseToRunWithoutAdministrator();
    }
}

void RefuseToRunWithoutAdministrator()
{
    ShowError(nullptr, TEXT_ELEVATION_REFUSED);
}
