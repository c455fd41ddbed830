#pragma once

#include <windows.h>

// Waits until each of the count handles is signalled or timeoutMs has passed;
// true when all were in time. Messages that other threads send to this thread's
// windows are answered meanwhile, so a program that sends to every window (as
// closing a display makes Windows do) is never held up by us; posted messages and
// input wait for the message loop.
bool WaitAnsweringSentMessages(DWORD count, HANDLE const* handles, DWORD timeoutMs);
