#include "common/program_dir.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

namespace
{
std::wstring Cut(std::wstring path)
{
    CutAtLastBackslash(&path[0]);
    return path.c_str();
}

std::wstring ProgramFile(wchar_t const* fileName)
{
    std::vector<wchar_t> path(PATH_CAPACITY);
    return GetProgramFilePath(fileName, path.data(), PATH_CAPACITY) ? path.data() : L"<failed>";
}
}

TEST(ProgramDirectory, CutsAPathAtItsLastBackslash)
{
    EXPECT_EQ(L"C:\\Program Files\\虚拟 屏幕", Cut(L"C:\\Program Files\\虚拟 屏幕\\tray.exe"));
    EXPECT_EQ(L"C:", Cut(L"C:\\tray.exe"));
    EXPECT_EQ(L"\\\\server\\share", Cut(L"\\\\server\\share\\tray.exe"));
}

TEST(ProgramDirectory, KeepsAPathWithoutBackslashWhole)
{
    EXPECT_EQ(L"tray.exe", Cut(L"tray.exe"));
    EXPECT_EQ(L"C:/a/tray.exe", Cut(L"C:/a/tray.exe"));
}

TEST(ProgramDirectory, NamesFilesBesideThisProgram)
{
    EXPECT_EQ(OwnDirectory() + L"\\PhantomDeskHost.exe", ProgramFile(L"\\PhantomDeskHost.exe"));
    EXPECT_EQ(OwnDirectory() + L"\\parsec-vdd-0.38.0.0.exe",
              ProgramFile(L"\\parsec-vdd-0.38.0.0.exe"));
}

// A program installed deep down must still find the files beside it, however
// long its path: a cut path would name another folder.
TEST(ProgramDirectory, ReadsPathsLongerThanMaxPath)
{
    std::wstring const root = MakeFreshFolder(L"长路径");
    std::wstring folder = root;
    while (folder.size() < 2 * MAX_PATH)
    {
        folder += L"\\一个很长的文件夹名字 with spaces 0123456789";
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr));
    }
    std::wstring const module = L"\\\\?\\" + folder + L"\\empty_module.dll";
    ASSERT_TRUE(CopyFileW((OwnDirectory() + L"\\empty_module.dll").c_str(), module.c_str(), FALSE));
    HMODULE const loaded = LoadLibraryW(module.c_str());
    ASSERT_NE(nullptr, loaded) << GetLastError();

    std::vector<wchar_t> buffer(PATH_CAPACITY);
    bool const read = ReadModulePath(loaded, buffer.data(), PATH_CAPACITY);
    FreeLibrary(loaded);

    ASSERT_TRUE(read);
    std::wstring const path = buffer.data();
    EXPECT_GT(path.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_NE(std::wstring::npos, path.rfind(folder + L"\\empty_module.dll")) << ToUtf8(path);
    EXPECT_EQ(path.substr(0, path.size() - wcslen(L"\\empty_module.dll")), Cut(path));
    RemoveFolder(root);
}

TEST(ProgramDirectory, RefusesAPathThatDoesNotFit)
{
    wchar_t small[8];
    EXPECT_FALSE(ReadModulePath(nullptr, small, ARRAYSIZE(small)));
    EXPECT_FALSE(GetProgramFilePath(L"\\PhantomDeskHost.exe", small, ARRAYSIZE(small)));
}
