#include "startup/startup.h"

#include "common/message_box.h"
#include "common/program_icon.h"
#include "common/system_function.h"
#include "tray/tray_window.h"

HINSTANCE g_hInst = nullptr;

namespace
{
wchar_t const TEXT_MUTEX_FAILED[] = L"创建互斥体失败！";
wchar_t const TEXT_ALREADY_RUNNING[] = L"程序已在运行，请勿重复启动！";
}

void RestrictDllSearchToSystem32()
{
    // The program runs elevated, often from a Downloads folder: a DLL planted
    // beside it must never be loaded with administrator rights.
    // SetDefaultDllDirectories is missing on Windows versions without KB2533623;
    // there, at least take the current directory out of the search.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    SetDefaultDllDirectoriesFn const setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        FindSystemFunction(L"kernel32.dll", "SetDefaultDllDirectories"));
    if (setDefault != nullptr)
    {
        setDefault(SEARCH_SYSTEM32_ONLY);
    }
    else
    {
        SetDllDirectoryW(L"");
    }
}

bool AcquireSingleInstance(int* exitCode)
{
    // Held, never closed, for the life of the process: that is the guard.
    HANDLE const mutex = CreateMutexW(nullptr, TRUE, SINGLE_INSTANCE_MUTEX);
    if (mutex == nullptr)
    {
        ShowError(nullptr, TEXT_MUTEX_FAILED);
        *exitCode = EXIT_CODE_FAILURE;
        return false;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS)
    {
        ShowNotice(nullptr, TEXT_ALREADY_RUNNING);
        CloseHandle(mutex);
        *exitCode = EXIT_CODE_SUCCESS;
        return false;
    }
    // cppcheck-suppress resourceLeak ; the mutex is the guard and lives as long as we do
    return true;
}

bool RegisterTrayWindowClass()
{
    HINSTANCE const module = GetModuleHandleW(nullptr);

    WNDCLASSEXW windowClass = {sizeof(windowClass)};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WndProc;
    windowClass.hInstance = module;
    // The class keeps its icons for the life of the process.
    windowClass.hIcon =
        LoadProgramIcon(module, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    windowClass.hIconSm =
        LoadProgramIcon(module, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = TRAY_WINDOW_CLASS;
    return RegisterClassExW(&windowClass) != 0;
}

HWND CreateTrayWindow(HINSTANCE instance)
{
    // WndProc adds the tray icon and greets the user before this returns.
    return CreateWindowExW(0, TRAY_WINDOW_CLASS, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                           CW_USEDEFAULT, 0, nullptr, nullptr, instance, nullptr);
}

int RunMessageLoop()
{
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0))
    {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
