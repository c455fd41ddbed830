#include "common/launch.h"

#include "common/program_dir.h"

#include <cwchar>

namespace
{
// The longest command line Windows takes, in UTF-16 units with the terminating
// zero.
size_t const COMMAND_LINE_CAPACITY = 32767;

bool QuotePath(wchar_t const* path, wchar_t* quoted, size_t capacity);

// Writes path in double quotes into quoted; false when that does not fit.
bool QuotePath(wchar_t const* path, wchar_t* quoted, size_t capacity)
{
    size_t const length = wcslen(path);
    if (length + 3 > capacity)
    {
        return false;
    }
    quoted[0] = L'"';
    wmemcpy(quoted + 1, path, length);
    quoted[length + 1] = L'"';
    quoted[length + 2] = L'\0';
    return true;
}
}

bool LaunchDetached(wchar_t const* path, WORD showState)
{
    STARTUPINFOW startupInfo = {sizeof(startupInfo)};
    startupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startupInfo.wShowWindow = showState;

    // The path names the program to run, so that a folder with spaces can never
    // start "C:\Program.exe" or its like. Without a command line Windows would
    // hand the child that path unquoted, and a path with spaces would reach it as
    // arguments: it gets its path quoted, as the shell gives it, and nothing more.
    // Writable, as CreateProcessW wants it.
    wchar_t commandLine[COMMAND_LINE_CAPACITY];
    PROCESS_INFORMATION processInfo = {};
    if (!QuotePath(path, commandLine, ARRAYSIZE(commandLine)) ||
        !CreateProcessW(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startupInfo, &processInfo))
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
