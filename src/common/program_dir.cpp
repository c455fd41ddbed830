#include "common/program_dir.h"

namespace
{
DWORD const INITIAL_PATH_CAPACITY = MAX_PATH;
// The longest path Windows can hand out, in UTF-16 units.
DWORD const MAX_PATH_CAPACITY = 32768;
}

std::wstring ReadModulePath(HMODULE module)
{
    // GetModuleFileNameW silently truncates a path that does not fit, so grow the
    // buffer until the whole path and its terminating zero fit; a cut path would
    // name a different folder.
    for (DWORD capacity = INITIAL_PATH_CAPACITY; capacity <= MAX_PATH_CAPACITY; capacity *= 2)
    {
        std::wstring path(capacity, L'\0');
        DWORD const length = GetModuleFileNameW(module, &path[0], capacity);
        if (length == 0)
        {
            return std::wstring();
        }
        if (length < capacity)
        {
            path.resize(length);
            return path;
        }
    }
    return std::wstring();
}

std::wstring GetModulePath()
{
    return ReadModulePath(nullptr);
}

std::wstring DirectoryOfPath(std::wstring const& path)
{
    size_t const lastBackslash = path.rfind(L'\\');
    if (lastBackslash == std::wstring::npos)
    {
        return path;
    }
    return path.substr(0, lastBackslash);
}

std::wstring GetProgramDirectory()
{
    return DirectoryOfPath(GetModulePath());
}

std::wstring ProgramFilePath(wchar_t const* fileName)
{
    std::wstring const directory = GetProgramDirectory();
    // Without our own folder, "\\tool.exe" alone would name a file at the root of the
    // current drive; an empty path makes the launch fail instead.
    if (directory.empty())
    {
        return std::wstring();
    }
    return directory + fileName;
}
