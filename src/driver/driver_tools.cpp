#include "driver/driver_tools.h"

#include "common/launch.h"
#include "common/message_box.h"

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>

namespace
{
wchar_t const INSTALLER_FILE[] = L"\\parsec-vdd-0.38.0.0.exe";
// The driver's own setup puts its uninstaller here; it is not looked up anywhere else.
wchar_t const UNINSTALLER_PATH[] =
    L"C:\\Program Files\\Parsec Virtual Display Driver\\uninstall.exe";

wchar_t const TEXT_INSTALLER_FAILED[] = L"无法启动安装程序，请检查驱动安装程序路径。";
wchar_t const TEXT_UNINSTALLER_FAILED[] = L"找不到卸载程序，请检查是否已安装驱动。";
wchar_t const TEXT_INVALID_OPERATION[] = L"无效的操作代码！";

// FOLDERID_ProgramFiles, {905E63B6-C1BF-494E-B29C-65B732D3D21A}. Defined here
// rather than taken from the uuid library, whose object file brings every
// identifier defined beside it: 40 KB for this one.
KNOWNFOLDERID const PROGRAM_FILES_FOLDER = {
    0x905E63B6, 0xC1BF, 0x494E, {0xB2, 0x9C, 0x65, 0xB7, 0x32, 0xD3, 0xD2, 0x1A}};

bool IsUninstallerInProgramFiles();
bool StartUninstaller();

// True when the uninstaller's path lies in this Windows' own Program Files
// folder, which only administrators may change. Where Windows lies on another
// drive, C:\ is an ordinary data drive on which any signed-in user may usually
// create folders, "Program Files" too: a program put there must not be run with
// our administrator rights.
bool IsUninstallerInProgramFiles()
{
    PWSTR programFiles = nullptr;
    bool inside = false;
    if (SUCCEEDED(SHGetKnownFolderPath(PROGRAM_FILES_FOLDER, 0, nullptr, &programFiles)))
    {
        size_t const length = wcslen(programFiles);
        inside = _wcsnicmp(UNINSTALLER_PATH, programFiles, length) == 0 &&
                 UNINSTALLER_PATH[length] == L'\\';
    }
    // Freed whether or not the call succeeded.
    CoTaskMemFree(programFiles);
    return inside;
}

bool StartUninstaller()
{
    return IsUninstallerInProgramFiles() && LaunchDetached(UNINSTALLER_PATH, SW_SHOWNORMAL);
}
}

void RunDriverTool(int operation)
{
    // The tools have their own windows for the user, so they start shown, and a
    // successful start needs no word from us.
    switch (operation)
    {
    case DRIVER_OP_INSTALL:
        if (!LaunchProgramFile(INSTALLER_FILE, SW_SHOWNORMAL))
        {
            ShowError(nullptr, TEXT_INSTALLER_FAILED);
        }
        break;
    case DRIVER_OP_UNINSTALL:
        if (!StartUninstaller())
        {
            ShowError(nullptr, TEXT_UNINSTALLER_FAILED);
        }
        break;
    default:
        ShowError(nullptr, TEXT_INVALID_OPERATION);
        break;
    }
}
