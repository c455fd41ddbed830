#pragma once

#include <windows.h>

wchar_t const CAPTION_NOTICE[] = L"提示";
wchar_t const CAPTION_ERROR[] = L"错误";

// Every box is modal, comes to the front and stays above other windows.

// A notice ("提示", information icon); owner may be null.
void ShowNotice(HWND owner, wchar_t const* text);

// An error ("错误", error icon); owner may be null.
void ShowError(HWND owner, wchar_t const* text);

// A notice with no icon; owner may be null.
void ShowPlainNotice(HWND owner, wchar_t const* text);
