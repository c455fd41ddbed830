#pragma once

#include <windows.h>

// Image name of the screen host in the process list.
wchar_t const SCREEN_HOST_IMAGE_NAME[] = L"PhantomDeskHost.exe";

// True when imageName is the screen host's, in any letter case, and nothing else.
bool IsScreenHostImage(wchar_t const* imageName);

// True when the process behind the handle runs the screen host's image. The
// handle needs PROCESS_QUERY_LIMITED_INFORMATION.
bool IsScreenHostProcess(HANDLE process);

// True when the process runs in another signed-in user's session than ours.
// False also when its session cannot be read: a host we cannot place is taken
// for ours.
bool IsInOtherSession(DWORD processId);
