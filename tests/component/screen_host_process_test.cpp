#include "host/screen_host_process.h"

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
