#pragma once

#include <windows.h>

wchar_t const CAPTION_NOTICE[] = L"提示";
wchar_t const CAPTION_ERROR[] = L"错误";

// A modal notice ("提示", information icon); owner may be null.
void ShowNotice(HWND owner, wchar_t const* text);

// A modal error ("错误", error icon); owner may be null.
void ShowError(HWND owner, wchar_t const* text);
