#include "host/stop_channel.h"
#include "pipe_server.h"
#include "test_support.h"

#include <gtest/gtest.h>

TEST(StopChannel, SendsExactlyQuitInOneWriteAndCloses)
{
    TestPipeServer server;
    StartPipeServer(&server, PipeServerMode::ReadAll);
    MessageBoxAnswerer answerer;
    StartAnswering(&answerer, GetCurrentProcessId());

    SendQuitToHost();

    ASSERT_TRUE(FinishPipeServer(&server));
    EXPECT_TRUE(StopAnswering(&answerer).empty());
    ASSERT_EQ(1u, server.messages.size());
    EXPECT_EQ(std::string("\x71\x75\x69\x74", 4), server.messages[0]);
    EXPECT_TRUE(server.clientClosed);
}

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
    StartPipeServer(&server, PipeServerMode::HangUpUnread);

    HANDLE const channel = OpenStopChannel();
    ASSERT_NE(INVALID_HANDLE_VALUE, channel);
    EXPECT_FALSE(WriteStopSignal(channel));
    CloseHandle(channel);
    EXPECT_TRUE(FinishPipeServer(&server));
}
