#pragma once

// A stop channel server for tests, on the screen host's pipe name.

#include <windows.h>

#include <string>
#include <vector>

enum class PipeServerMode
{
    // Reads every message until the client closes its end.
    ReadAll,
    // Takes the client's connection, waits until a write is pending, and hangs up
    // without reading it: the client's write fails.
    HangUpUnread,
};

struct TestPipeServer
{
    PipeServerMode mode = PipeServerMode::ReadAll;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE thread = nullptr;
    std::vector<std::string> messages;
    bool clientClosed = false;
};

// Listening when it returns.
void StartPipeServer(TestPipeServer* server, PipeServerMode mode);
// Waits for the server to finish with its one client; false if it did not in time.
bool FinishPipeServer(TestPipeServer* server);
