#include "startup/startup.h"
#include "test_support.h"
#include "tray/tray_window.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
// What a group icon resource holds, entry by entry.
#pragma pack(push, 2)
struct IconDirectoryEntry
{
    BYTE width; // 0 stands for 256
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitsPerPixel;
    DWORD bytes;
    WORD id;
};
struct IconDirectory
{
    WORD reserved;
    WORD type;
    WORD count;
    IconDirectoryEntry entries[1];
};
#pragma pack(pop)

int const ICON_APP_ID = 100;
}

// Windows picks the image drawn for each display scale (16 to 40 pixels for the
// tray at 100 % to 250 %, 32 to 64 for the window, 256 for Explorer's views)
// instead of shrinking a larger one, which blurs.
TEST(ProgramIcon, HoldsAnImageForEverySizeWindowsAsksFor)
{
    HRSRC const found = FindResourceW(nullptr, MAKEINTRESOURCEW(ICON_APP_ID), RT_GROUP_ICON);
    ASSERT_NE(nullptr, found);
    IconDirectory const* directory =
        static_cast<IconDirectory const*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(nullptr, directory);

    std::vector<int> sizes;
    for (WORD i = 0; i < directory->count; ++i)
    {
        IconDirectoryEntry const& entry = directory->entries[i];
        sizes.push_back(entry.width == 0 ? 256 : entry.width);
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(32, entry.bitsPerPixel) << sizes.back();
    }
    EXPECT_EQ((std::vector<int>{16, 20, 24, 32, 40, 48, 64, 256}), sizes);
}
