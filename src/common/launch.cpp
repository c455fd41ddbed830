#include "common/launch.h"

#include "common/program_dir.h"

bool LaunchDetached(wchar_t const* path, WORD showState)
{
    STARTUPINFOW startupInfo = {sizeof(startupInfo)};
    startupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startupInfo.wShowWindow = showState;

    // The path goes as the program's name, never as a command line: unquoted
    // there, a folder with spaces would start "C:\Program.exe" or its like.
    PROCESS_INFORMATION processInfo = {};
    if (!CreateProcessW(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startupInfo,
                        &processInfo))
    {
        return false;
    }
    // The child is never owned: let go of it at once.
    CloseHandle(processInfo.hThread);
    CloseHandle(processInfo.hProcess);
    return true;
}

bool LaunchProgramFile(wchar_t const* fileName, WORD showState)
{
    // 64 KB of stack, released before the caller shows a message box: commands can
    // be chosen from inside each other's boxes, as deep as the user likes.
    wchar_t path[PATH_CAPACITY];
    return GetProgramFilePath(fileName, path, ARRAYSIZE(path)) && LaunchDetached(path, showState);
}
