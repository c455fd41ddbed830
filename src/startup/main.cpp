#include "common/message_box.h"
#include "startup/elevation.h"
#include "startup/startup.h"

namespace
{
wchar_t const TEXT_ADMIN_ALLOWED[] = L"已允许管理员启动";
}

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE /*hPrevInstance*/, PWSTR /*lpCmdLine*/,
                    int /*nShowCmd*/)
{
    RestrictDllSearchToSystem32();
    bool const relaunched = TakeRelaunchMark();

    if (!IsRunningAsAdministrator())
    {
        // Where the prompt cannot give the rights (user-account control off for a
        // standard user, say), relaunching again would start copy after copy.
        if (relaunched || IsElevatedWithoutAdministrators())
        {
            RefuseToRunWithoutAdministrator();
        }
        else
        {
            RelaunchElevated();
        }
        return EXIT_CODE_SUCCESS;
    }
    ShowPlainNotice(nullptr, TEXT_ADMIN_ALLOWED);
    g_hInst = hInstance;

    int exitCode = EXIT_CODE_SUCCESS;
    if (!AcquireSingleInstance(&exitCode))
    {
        return exitCode;
    }
    if (!RegisterTrayWindowClass())
    {
        return EXIT_CODE_FAILURE;
    }
    if (CreateTrayWindow(hInstance) == nullptr)
    {
        return EXIT_CODE_FAILURE;
    }
    return RunMessageLoop();
}
