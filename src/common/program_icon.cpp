#include "common/program_icon.h"

#include "common/system_function.h"
#include "resources/resource.h"

HICON LoadProgramIcon(HINSTANCE module, int width, int height)
{
    // Not LoadImageW with LR_SHARED: Windows then returns the first image it has
    // cached under the name, whatever size is asked for. Without it, LoadImageW
    // picks the nearest size, which may be a smaller one stretched.
    // LoadIconWithScaleDown is in the common controls that the manifest asks for,
    // version 6, and mingw-w64 has no import for it.
    typedef HRESULT(WINAPI * LoadIconWithScaleDownFn)(HINSTANCE, PCWSTR, int, int, HICON*);
    LoadIconWithScaleDownFn const loadIconWithScaleDown = reinterpret_cast<LoadIconWithScaleDownFn>(
        FindSystemFunction(L"comctl32.dll", "LoadIconWithScaleDown"));
    wchar_t const* const name = MAKEINTRESOURCEW(ICON_APP);
    if (loadIconWithScaleDown == nullptr)
    {
        return static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, width, height, 0));
    }
    HICON icon = nullptr;
    return SUCCEEDED(loadIconWithScaleDown(module, name, width, height, &icon)) ? icon : nullptr;
}
