#pragma once

#include <windows.h>

#include <string>

// Full path of a loaded module (null: the running executable); empty when Windows
// cannot tell us.
std::wstring ReadModulePath(HMODULE module);

// Full path of the running executable; empty when Windows cannot tell us.
std::wstring GetModulePath();

// The part of a path before its last backslash; a path without one stays whole.
std::wstring DirectoryOfPath(std::wstring const& path);

// The folder that holds the running executable, without a trailing backslash.
std::wstring GetProgramDirectory();

// A file beside the executable; fileName begins with a backslash ("\\tool.exe").
std::wstring ProgramFilePath(wchar_t const* fileName);
