#include "pipe_server.h"

#include "test_support.h"

namespace
{
DWORD WINAPI Serve(void* parameter)
{
    TestPipeServer* server = static_cast<TestPipeServer*>(parameter);
    // A quick client may have connected before we got here.
    if (!ConnectNamedPipe(server->pipe, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED &&
        GetLastError() != ERROR_NO_DATA)
    {
        return 1;
    }
    // With no buffer, the client's write stays pending until read: hang up once
    // it is there.
    DWORD pending = 0;
    WaitUntil([&] {
        return PeekNamedPipe(server->pipe, nullptr, 0, nullptr, &pending, nullptr) && pending > 0;
    });
    DisconnectNamedPipe(server->pipe);
    return 0;
}
}

void StartPipeServer(TestPipeServer* server)
{
    server->pipe = CreateNamedPipeW(STOP_CHANNEL_PIPE, PIPE_ACCESS_DUPLEX,
                                    PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0, 0,
                                    0, nullptr);
    server->thread = CreateThread(nullptr, 0, Serve, server, 0, nullptr);
}

bool FinishPipeServer(TestPipeServer* server)
{
    bool const finished = WaitForSingleObject(server->thread, WAIT_TIMEOUT_MS) == WAIT_OBJECT_0;
    if (!finished)
    {
        // Unblock ConnectNamedPipe so the thread can end.
        CloseHandle(CreateFileW(STOP_CHANNEL_PIPE, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr));
        WaitForSingleObject(server->thread, WAIT_TIMEOUT_MS);
    }
    CloseHandle(server->thread);
    CloseHandle(server->pipe);
    server->thread = nullptr;
    server->pipe = INVALID_HANDLE_VALUE;
    return finished;
}
