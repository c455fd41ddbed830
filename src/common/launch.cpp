#include "common/launch.h"

bool LaunchDetached(wchar_t const* path, WORD showState)
{
    STARTUPINFOW startupInfo = {sizeof(startupInfo)};
    startupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startupInfo.wShowWindow = showState;

    PROCESS_INFORMATION processInfo = {};
    if (!CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startupInfo, &processInfo))
    {
        return false;
    }
    // The child is never owned: let go of it at once.
    CloseHandle(processInfo.hThread);
    CloseHandle(processInfo.hProcess);
    return true;
}
