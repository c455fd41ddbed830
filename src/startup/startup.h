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

// Takes the single-instance guard. Returns false, after telling the user, when it
// cannot be had; exitCode then holds the code to end with.
bool AcquireSingleInstance(int* exitCode);

bool RegisterTrayWindowClass();

// Creates the hidden window that owns the tray icon; never shown.
HWND CreateTrayWindow(HINSTANCE instance);

// Runs until a quit request; returns its code.
int RunMessageLoop();
