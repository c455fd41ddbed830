#pragma once

#include <windows.h>

// Starts the program at path with no arguments, shown as showState, and lets it run
// on its own: nobody waits for it or reads its exit code. Returns false when Windows
// could not start it.
bool LaunchDetached(wchar_t const* path, WORD showState);

// The same for fileName ("\\tool.exe") in the program's own folder. False also
// when that folder cannot be read.
bool LaunchProgramFile(wchar_t const* fileName, WORD showState);
