#pragma once

#include <windows.h>

// LOAD_LIBRARY_SEARCH_SYSTEM32, which some SDK headers hide below Windows 8.
DWORD const SEARCH_SYSTEM32_ONLY = 0x00000800;

// A function of a Windows DLL that only some versions have, looked up at run time
// so that the program still starts on the oldest Windows it supports; null where
// this one lacks it. A DLL that is not loaded yet is loaded from System32 only,
// and stays loaded.
void* FindSystemFunction(wchar_t const* module, char const* name);
