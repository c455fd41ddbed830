#include "common/message_box.h"
#include "test_support.h"

#include <gtest/gtest.h>

// Windows may open a box behind the active window, where a box of the hidden
// tray window has not even a taskbar button: every kind must stay in front.
TEST(MessageBoxes, EveryKindStaysAboveOtherWindows)
{
    MessageBoxAnswerer answerer;
    StartAnswering(&answerer, GetCurrentProcessId(), false);

    ShowNotice(nullptr, L"提示");
    ShowError(nullptr, L"错误");
    ShowPlainNotice(nullptr, L"无图标");

    std::vector<SeenMessageBox> const seen = StopAnswering(&answerer);
    ASSERT_EQ(3u, seen.size());
    for (SeenMessageBox const& box : seen)
    {
        EXPECT_TRUE(box.topmost) << ToUtf8(box.text);
    }
}
