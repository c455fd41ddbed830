#include "host/host_commands.h"
#include "pipe_server.h"
#include "test_support.h"

#include <gtest/gtest.h>

TEST(ScreenHostName, MatchesTheWholeNameInAnyLetterCase)
{
    EXPECT_TRUE(IsScreenHostImage(L"PhantomDeskHost.exe"));
    EXPECT_TRUE(IsScreenHostImage(L"phantomdeskhost.exe"));
    EXPECT_TRUE(IsScreenHostImage(L"PHANTOMDESKHOST.EXE"));
    EXPECT_TRUE(IsScreenHostImage(L"pHaNtOmDeSkHoSt.ExE"));
}

TEST(ScreenHostName, RejectsNamesThatOnlyContainOrResembleIt)
{
    EXPECT_FALSE(IsScreenHostImage(L"MyPhantomDeskHost.exe"));
    EXPECT_FALSE(IsScreenHostImage(L"PhantomDeskHost.exe.exe"));
    EXPECT_FALSE(IsScreenHostImage(L"PhantomDeskHost"));
    EXPECT_FALSE(IsScreenHostImage(L"PhantomDeskHost.ex"));
    EXPECT_FALSE(IsScreenHostImage(L"PhantomDeskHost2.exe"));
    EXPECT_FALSE(IsScreenHostImage(L" PhantomDeskHost.exe"));
    EXPECT_FALSE(IsScreenHostImage(L""));
}

// The pipe opened but the signal never reached the screen host: telling the user
// it closed would be false.
TEST(StopScreenHostCommand, ReportsChannelNotFoundWhenTheWriteFails)
{
    TestPipeServer server;
    StartPipeServer(&server, PipeServerMode::HangUpUnread);
    MessageBoxAnswerer answerer;
    StartAnswering(&answerer, GetCurrentProcessId());

    StopScreenHost();

    std::vector<SeenMessageBox> const seen = StopAnswering(&answerer);
    EXPECT_TRUE(FinishPipeServer(&server));
    ASSERT_EQ(1u, seen.size());
    ExpectMessageBox(seen[0], L"错误", L"找不到虚拟屏幕，若虚拟屏幕仍在运行，首先尝试强制关闭功能",
                     nullptr, BoxIcon::Error);
}

TEST(StopScreenHostCommand, ReportsTheScreenHostClosedWhenTheSignalWentThrough)
{
    TestPipeServer server;
    StartPipeServer(&server, PipeServerMode::ReadAll);
    MessageBoxAnswerer answerer;
    StartAnswering(&answerer, GetCurrentProcessId());

    StopScreenHost();

    std::vector<SeenMessageBox> const seen = StopAnswering(&answerer);
    ASSERT_TRUE(FinishPipeServer(&server));
    ASSERT_EQ(1u, server.messages.size());
    EXPECT_EQ("quit", server.messages[0]);
    ASSERT_EQ(1u, seen.size());
    ExpectMessageBox(seen[0], L"提示", L"已关闭虚拟屏幕", nullptr, BoxIcon::Information);
}
