#pragma once

#include <windows.h>

// The program's module, kept for loading its icon.
extern HINSTANCE g_hInst;

wchar_t const TRAY_WINDOW_CLASS[] = L"MYWNDCLASS";
// No namespace prefix: one copy per logon session.
wchar_t const SINGLE_INSTANCE_MUTEX[] = L"phantomDeskTray";

int const EXIT_CODE_SUCCESS = 0;
int const EXIT_CODE_FAILURE = 1;

// Loads DLLs that the program asks for by name from System32 only.
void RestrictDllSearchToSystem32();

// True when the process runs with the Administrators group enabled. Ends the
// process, with the failing call's error code as exit status, when Windows cannot
// answer.
bool IsRunningAsAdministrator();

// True when this copy was started by RelaunchElevated. Takes the mark out of the
// environment, so that nothing this copy starts inherits it.
bool TakeRelaunchMark();

// True when the elevation prompt cannot give this process the Administrators
// group: it is elevated already, with a token that has no such group at all (a
// Backup Operator's, say).
bool IsElevatedWithoutAdministrators();

// Starts this program again through the elevation prompt, without arguments,
// marked as relaunched. Tells the user when they refuse the prompt.
void RelaunchElevated();

// Tells the user that the program ends for want of administrator rights.
void RefuseToRunWithoutAdministrator();

// Takes the single-instance guard. Returns false, after telling the user, when it
// cannot be had; exitCode then holds the code to end with.
bool AcquireSingleInstance(int* exitCode);

bool RegisterTrayWindowClass();

// Creates the hidden window that owns the tray icon; never shown.
HWND CreateTrayWindow(HINSTANCE instance);

// Runs until a quit request; returns its code.
int RunMessageLoop();
