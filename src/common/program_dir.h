#pragma once

#include <windows.h>

// The longest path Windows hands out, in UTF-16 units with the terminating zero.
// Path buffers are this large so that a long install path is never cut short.
DWORD const PATH_CAPACITY = 32768;

// Writes the full path of a loaded module (null: the running executable) into
// path. False when Windows cannot tell it, or when it does not fit.
bool ReadModulePath(HMODULE module, wchar_t* path, DWORD capacity);

// Cuts path at its last backslash, in place; a path without one stays whole.
void CutAtLastBackslash(wchar_t* path);

// Writes the folder of the running executable followed by fileName, which begins
// with a backslash ("\\tool.exe"), into path. False when the folder cannot be
// read or the result does not fit.
bool GetProgramFilePath(wchar_t const* fileName, wchar_t* path, DWORD capacity);
