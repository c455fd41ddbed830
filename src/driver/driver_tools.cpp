#include "driver/driver_tools.h"

#include "common/launch.h"
#include "common/message_box.h"

namespace
{
wchar_t const INSTALLER_FILE[] = L"\\parsec-vdd-0.38.0.0.exe";
// The driver's own setup puts its uninstaller here; it is not looked up anywhere else.
wchar_t const UNINSTALLER_PATH[] =
    L"C:\\Program Files\\Parsec Virtual Display Driver\\uninstall.exe";

wchar_t const TEXT_INSTALLER_FAILED[] = L"无法启动安装程序，请检查驱动安装程序路径。";
wchar_t const TEXT_UNINSTALLER_FAILED[] = L"找不到卸载程序，请检查是否已安装驱动。";
wchar_t const TEXT_INVALID_OPERATION[] = L"无效的操作代码！";
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
        if (!LaunchDetached(UNINSTALLER_PATH, SW_SHOWNORMAL))
        {
            ShowError(nullptr, TEXT_UNINSTALLER_FAILED);
        }
        break;
    default:
        ShowError(nullptr, TEXT_INVALID_OPERATION);
        break;
    }
}
