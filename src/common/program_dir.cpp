#include "common/program_dir.h"

#include <cwchar>

bool ReadModulePath(HMODULE module, wchar_t* path, DWORD capacity)
{
    // GetModuleFileNameW silently cuts a path that does not fit and returns the
    // full capacity: a cut path names another folder, so treat it as unreadable.
    DWORD const length = GetModuleFileNameW(module, path, capacity);
    return length != 0 && length < capacity;
}

void CutAtLastBackslash(wchar_t* path)
{
    wchar_t* const lastBackslash = wcsrchr(path, L'\\');
    if (lastBackslash != nullptr)
    {
        *lastBackslash = L'\0';
    }
}

bool GetProgramFilePath(wchar_t const* fileName, wchar_t* path, DWORD capacity)
{
    // Without our own folder, "\\tool.exe" alone would name a file at the root of
    // the current drive: report failure instead.
    if (!ReadModulePath(nullptr, path, capacity))
    {
        return false;
    }
    CutAtLastBackslash(path);
    return wcscat_s(path, capacity, fileName) == 0;
}
