#include "driver/driver_tools.h"
#include "test_support.h"

#include <gtest/gtest.h>

TEST(DriverTools, RejectsAnUnknownOperationCodeWithoutStartingAnything)
{
    // Put an installer where an install would find it: it must stay unstarted.
    std::wstring const installer = OwnDirectory() + L"\\parsec-vdd-0.38.0.0.exe";
    ASSERT_TRUE(
        CopyFileW((OwnDirectory() + L"\\fake_driver_tool.exe").c_str(), installer.c_str(), FALSE));
    for (int operation : {2, -1, 100})
    {
        MessageBoxAnswerer answerer;
        StartAnswering(&answerer, GetCurrentProcessId());
        RunDriverTool(operation);
        std::vector<SeenMessageBox> const seen = StopAnswering(&answerer);

        ASSERT_EQ(1u, seen.size()) << operation;
        ExpectMessageBox(seen[0], L"错误", L"无效的操作代码！", nullptr, BoxIcon::Error);
    }
    EXPECT_TRUE(FindProcesses(L"parsec-vdd-0.38.0.0.exe").empty());
    EXPECT_FALSE(FileExists(installer + L".log"));
    DeleteFileW(installer.c_str());
}
