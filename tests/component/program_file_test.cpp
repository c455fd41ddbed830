#include "test_support.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace
{
// The program as it is shipped, built beside the tests.
std::wstring ProgramFile()
{
    return OwnDirectory() + L"\\" + PROGRAM_IMAGE;
}

std::wstring ReadVersionText(wchar_t const* name)
{
    std::wstring const path = ProgramFile();
    DWORD const size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
    std::vector<unsigned char> info(size);
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring const query = std::wstring(L"\\StringFileInfo\\080404B0\\") + name;
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, info.data()) ||
        !VerQueryValueW(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
    {
        return L"<missing>";
    }
    return value;
}

// The optional header of the program's file, zero when it cannot be read.
IMAGE_OPTIONAL_HEADER64 ReadOptionalHeader()
{
    std::string const file = ReadTextFile(ProgramFile());
    IMAGE_OPTIONAL_HEADER64 header = {};
    IMAGE_DOS_HEADER dos = {};
    if (file.size() >= sizeof(dos))
    {
        std::memcpy(&dos, file.data(), sizeof(dos));
        size_t const offset =
            static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader);
        if (offset + sizeof(header) <= file.size())
        {
            std::memcpy(&header, file.data() + offset, sizeof(header));
        }
    }
    return header;
}
}

// Task Manager names the program by its description: users read it in Chinese,
// so a wrong code page would show them garbage.
TEST(ProgramFile, DescribesTheProgramInChinese)
{
    EXPECT_EQ(L"虚拟屏幕托盘工具", ReadVersionText(L"FileDescription"));
    EXPECT_EQ(L"版权所有 © 2026 The phantomDeskTray developers",
              ReadVersionText(L"LegalCopyright"));
}

// Remote Desktop hosts shim programs that do not say they know about terminal
// servers; Windows older than Vista, which lacks functions the program imports,
// must refuse it cleanly instead of failing to start it.
TEST(ProgramFile, IsTerminalServerAwareAndNeedsWindowsVista)
{
    IMAGE_OPTIONAL_HEADER64 const header = ReadOptionalHeader();
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR64_MAGIC, header.Magic);
    EXPECT_NE(0, header.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE);
    EXPECT_EQ(6, header.MajorSubsystemVersion);
    EXPECT_EQ(0, header.MinorSubsystemVersion);
}
