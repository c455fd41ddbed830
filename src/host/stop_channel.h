#pragma once

#include <windows.h>

// The pipe that a running screen host serves.
wchar_t const STOP_CHANNEL_NAME[] = L"\\\\.\\pipe\\MyPipe";

// Opens the stop channel without waiting for it; INVALID_HANDLE_VALUE when no
// screen host listens or all its pipe instances are busy.
HANDLE OpenStopChannel();

// Writes the stop signal in one write; true only when all of it went through.
bool WriteStopSignal(HANDLE channel);

// Tells a running screen host to quit; silent whether or not one listens.
void SendQuitToHost();
