#pragma once

#include <windows.h>

// The pipe that a running screen host serves.
wchar_t const STOP_CHANNEL_NAME[] = L"\\\\.\\pipe\\MyPipe";

// How long the stop signal may take to be taken by the screen host. A host that
// accepts the pipe but never reads it must not freeze the tray.
DWORD const STOP_SIGNAL_TIMEOUT_MS = 2000;

// Opens the stop channel without waiting for it; INVALID_HANDLE_VALUE when no
// screen host of this session serves it (none listens, all its pipe instances
// are busy, or another session's host or another program serves it).
HANDLE OpenStopChannel();

// Writes the stop signal in one write, waiting at most STOP_SIGNAL_TIMEOUT_MS;
// true only when all of it went through in time.
bool WriteStopSignal(HANDLE channel);

// Tells a running screen host to quit; silent whether or not one listens.
void SendQuitToHost();
