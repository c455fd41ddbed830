#include "host/stop_channel.h"
#include "pipe_server.h"
#include "test_support.h"

#include <gtest/gtest.h>

TEST(StopChannel, WithoutAServerReturnsAtOnceAndShowsNothing)
{
    MessageBoxAnswerer answerer;
    StartAnswering(&answerer, GetCurrentProcessId());

    DWORD const start = GetTickCount();
    SendQuitToHost();
    DWORD const elapsed = GetTickCount() - start;

    EXPECT_LT(elapsed, 1000u);
    EXPECT_TRUE(ShowsNoMessageBox(GetCurrentProcessId()));
    EXPECT_TRUE(StopAnswering(&answerer).empty());
}

TEST(StopChannel, ReportsAWriteThatDidNotReachTheServer)
{
    TestPipeServer server;
    StartPipeServer(&server);

    // Opened by hand: the program itself speaks only to a screen host's pipe.
    HANDLE const channel = CreateFileW(STOP_CHANNEL_PIPE, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, channel);
    EXPECT_FALSE(WriteStopSignal(channel));
    CloseHandle(channel);
    EXPECT_TRUE(FinishPipeServer(&server));
}
