#include "test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
std::wstring ReadVersionText(wchar_t const* name)
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, ARRAYSIZE(path));
    DWORD const size = GetFileVersionInfoSizeW(path, nullptr);
    std::vector<unsigned char> info(size);
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring const query = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, info.data()) ||
        !VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
    {
        return L"<missing>";
    }
    return value;
}
}

// Task Manager and the elevation prompt name the program by its description:
// users read it in Chinese, so a wrong code page would show them garbage.
TEST(VersionResource, DescribesTheProgramInChinese)
{
    EXPECT_EQ(L"虚拟屏幕托盘工具", ReadVersionText(L"FileDescription"));
    EXPECT_EQ(L"版权所有 © 2026 The phantomDeskTray developers",
              ReadVersionText(L"LegalCopyright"));
}
