#include "common/message_box.h"

void ShowNotice(HWND owner, wchar_t const* text)
{
    MessageBoxW(owner, text, CAPTION_NOTICE, MB_OK | MB_ICONINFORMATION);
}

void ShowError(HWND owner, wchar_t const* text)
{
    MessageBoxW(owner, text, CAPTION_ERROR, MB_OK | MB_ICONERROR);
}
