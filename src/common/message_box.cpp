#include "common/message_box.h"

namespace
{
// Windows lets a program bring a window forward only now and then, and a box
// that opens behind the active window is easily never seen: the tray window's
// boxes have no taskbar button, and the start-up notice comes before the icon.
// So every box asks for the foreground and stays above other windows
// (MB_SYSTEMMODAL is the usual application-modal box, topmost).
UINT const BOX_IN_FRONT = MB_SYSTEMMODAL | MB_SETFOREGROUND;

void ShowBox(HWND owner, wchar_t const* text, wchar_t const* caption, UINT icon)
{
    MessageBoxW(owner, text, caption, MB_OK | icon | BOX_IN_FRONT);
}
}

void ShowNotice(HWND owner, wchar_t const* text)
{
    ShowBox(owner, text, CAPTION_NOTICE, MB_ICONINFORMATION);
}

void ShowError(HWND owner, wchar_t const* text)
{
    ShowBox(owner, text, CAPTION_ERROR, MB_ICONERROR);
}

void ShowPlainNotice(HWND owner, wchar_t const* text)
{
    ShowBox(owner, text, CAPTION_NOTICE, 0);
}
