#include "host/stop_channel.h"

#include "common/wait.h"

namespace
{
// "quit", with no terminating zero, length prefix or line end.
char const STOP_SIGNAL[] = {'q', 'u', 'i', 't'};
}

HANDLE OpenStopChannel()
{
    // Anyone may create this pipe before the screen host does: the server may
    // learn who we are, but never act as us with our administrator rights.
    DWORD const flags = FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION;
    return CreateFileW(STOP_CHANNEL_NAME, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       flags, nullptr);
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
