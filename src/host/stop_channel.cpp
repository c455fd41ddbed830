#include "host/stop_channel.h"

namespace
{
// "quit", with no terminating zero, length prefix or line end.
char const STOP_SIGNAL[] = {'q', 'u', 'i', 't'};
}

HANDLE OpenStopChannel()
{
    return CreateFileW(STOP_CHANNEL_NAME, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       0, nullptr);
}

bool WriteStopSignal(HANDLE channel)
{
    DWORD written = 0;
    BOOL const ok = WriteFile(channel, STOP_SIGNAL, sizeof(STOP_SIGNAL), &written, nullptr);
    return ok && written == sizeof(STOP_SIGNAL);
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
