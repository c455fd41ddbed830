#include "host/stop_channel.h"

#include "common/wait.h"
#include "host/screen_host_process.h"

namespace
{
// "quit", with no terminating zero, length prefix or line end.
char const STOP_SIGNAL[] = {'q', 'u', 'i', 't'};

bool IsServedByOwnScreenHost(HANDLE channel);

// The pipe's name is one for the whole machine, and a common one: another
// user's screen host, in a session of their own, or any other program may serve
// it. Only our session's screen host is to be told to quit.
bool IsServedByOwnScreenHost(HANDLE channel)
{
    ULONG serverId = 0;
    if (!GetNamedPipeServerProcessId(channel, &serverId))
    {
        return false;
    }
    // Held while we look, so that the identifier cannot pass to another process.
    HANDLE const server = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId);
    if (server == nullptr)
    {
        return false;
    }
    bool const ours = IsScreenHostProcess(server) && !IsInOtherSession(serverId);
    CloseHandle(server);
    return ours;
}
}

HANDLE OpenStopChannel()
{
    // Anyone may create this pipe before the screen host does: the server may
    // learn who we are, but never act as us with our administrator rights.
    DWORD const flags = FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
    HANDLE const channel = CreateFileW(STOP_CHANNEL_NAME, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, flags, nullptr);
    if (channel != INVALID_HANDLE_VALUE && !IsServedByOwnScreenHost(channel))
    {
        CloseHandle(channel);
        return INVALID_HANDLE_VALUE;
    }
    return channel;
}

bool WriteStopSignal(HANDLE channel)
{
    HANDLE const done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (done == nullptr)
    {
        return false;
    }
    OVERLAPPED overlapped = {};
    overlapped.hEvent = done;
    DWORD written = 0;
    bool delivered = false;
    if (WriteFile(channel, STOP_SIGNAL, sizeof(STOP_SIGNAL), nullptr, &overlapped) ||
        GetLastError() == ERROR_IO_PENDING)
    {
        if (!WaitAnsweringSentMessages(1, &done, STOP_SIGNAL_TIMEOUT_MS))
        {
            // The write still refers to our record: it must be over, cancelled or
            // not, before the record goes.
            CancelIoEx(channel, &overlapped);
        }
        delivered = GetOverlappedResult(channel, &overlapped, &written, TRUE) &&
                    written == sizeof(STOP_SIGNAL);
    }
    CloseHandle(done);
    return delivered;
}

void SendQuitToHost()
{
    HANDLE const channel = OpenStopChannel();
    if (channel == INVALID_HANDLE_VALUE)
    {
        return;
    }
    WriteStopSignal(channel);
    CloseHandle(channel);
}
