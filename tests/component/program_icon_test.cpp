#include "startup/startup.h"
#include "test_support.h"
#include "tray/tray_window.h"

#include <gtest/gtest.h>

#include <utility>
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
// The icon format that CreateIconFromResourceEx reads, as its documentation asks.
DWORD const ICON_FORMAT_VERSION = 0x00030000;

IconDirectory const* ReadIconDirectory()
{
    HRSRC const found = FindResourceW(nullptr, MAKEINTRESOURCEW(ICON_APP_ID), RT_GROUP_ICON);
    return found != nullptr
               ? static_cast<IconDirectory const*>(LockResource(LoadResource(nullptr, found)))
               : nullptr;
}

// The image drawn for size pixels, straight from the resource; null if none is.
HICON LoadImageDrawnFor(int size)
{
    IconDirectory const* directory = ReadIconDirectory();
    for (WORD i = 0; directory != nullptr && i < directory->count; ++i)
    {
        if (directory->entries[i].width == size)
        {
            HRSRC const image =
                FindResourceW(nullptr, MAKEINTRESOURCEW(directory->entries[i].id), RT_ICON);
            return CreateIconFromResourceEx(
                static_cast<BYTE*>(LockResource(LoadResource(nullptr, image))),
                SizeofResource(nullptr, image), TRUE, ICON_FORMAT_VERSION, size, size, 0);
        }
    }
    return nullptr;
}

// What the icon shows at its own size, cut to size by size pixels.
std::vector<unsigned char> Picture(HICON icon, int size)
{
    return DrawPicture(size, size, [&](HDC dc) {
        return DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL) != FALSE;
    });
}
}

// Windows picks the image drawn for each display scale (16 to 40 pixels for the
// tray at 100 % to 250 %, 32 to 64 for the window, 256 for Explorer's views)
// instead of shrinking a larger one, which blurs.
TEST(ProgramIcon, HoldsAnImageForEverySizeWindowsAsksFor)
{
    IconDirectory const* directory = ReadIconDirectory();
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

// At 150 % the tray shows 24-pixel icons and at 100 % 16-pixel ones: it must be
// handed the image drawn for that size, not another one scaled to fit.
TEST(ProgramIcon, TrayGetsTheImageDrawnForTheTaskbarsScale)
{
    g_hInst = GetModuleHandleW(nullptr);
    for (std::pair<UINT, int> const& scale : {std::make_pair(144u, 24), std::make_pair(96u, 16)})
    {
        HICON const drawn = LoadImageDrawnFor(scale.second);
        HICON const handedOver = LoadTrayIcon(scale.first);
        ASSERT_NE(nullptr, drawn);
        ASSERT_NE(nullptr, handedOver) << scale.first;
        EXPECT_TRUE(Picture(drawn, scale.second) == Picture(handedOver, scale.second))
            << "at " << scale.first << " dpi";
        DestroyIcon(handedOver);
        DestroyIcon(drawn);
    }
}
