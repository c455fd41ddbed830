#pragma once

// A server on the screen host's pipe name that is not the screen host: it takes
// the client's connection, waits until a write is pending, and hangs up without
// reading it, so that the client's write fails.

#include <windows.h>

struct TestPipeServer
{
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE thread = nullptr;
};

// Listening when it returns.
void StartPipeServer(TestPipeServer* server);
// Waits for the server to finish with its one client; false if it did not in time.
bool FinishPipeServer(TestPipeServer* server);
