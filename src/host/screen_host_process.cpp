#include "host/screen_host_process.h"

#include "common/program_dir.h"

#include <cwchar>

bool IsScreenHostImage(wchar_t const* imageName)
{
    return _wcsicmp(imageName, SCREEN_HOST_IMAGE_NAME) == 0;
}

bool IsScreenHostProcess(HANDLE process)
{
    wchar_t image[PATH_CAPACITY];
    DWORD length = ARRAYSIZE(image);
    if (!QueryFullProcessImageNameW(process, 0, image, &length))
    {
        return false;
    }
    wchar_t const* const lastBackslash = wcsrchr(image, L'\\');
    return IsScreenHostImage(lastBackslash != nullptr ? lastBackslash + 1 : image);
}

bool IsInOtherSession(DWORD processId)
{
    DWORD session = 0;
    DWORD ownSession = 0;
    return ProcessIdToSessionId(processId, &session) &&
           ProcessIdToSessionId(GetCurrentProcessId(), &ownSession) && session != ownSession;
}
