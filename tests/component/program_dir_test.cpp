#include "common/program_dir.h"
#include "test_support.h"

#include <gtest/gtest.h>

TEST(ProgramDirectory, CutsAPathAtItsLastBackslash)
{
    EXPECT_EQ(L"C:\\Program Files\\虚拟 屏幕", DirectoryOfPath(L"C:\\Program Files\\虚拟 屏幕\\tray.exe"));
    EXPECT_EQ(L"C:", DirectoryOfPath(L"C:\\tray.exe"));
    EXPECT_EQ(L"\\\\server\\share", DirectoryOfPath(L"\\\\server\\share\\tray.exe"));
}

TEST(ProgramDirectory, KeepsAPathWithoutBackslashWhole)
{
    EXPECT_EQ(L"tray.exe", DirectoryOfPath(L"tray.exe"));
    EXPECT_EQ(L"C:/a/tray.exe", DirectoryOfPath(L"C:/a/tray.exe"));
}

TEST(ProgramDirectory, NamesTheFolderOfThisProgram)
{
    std::wstring const module = GetModulePath();
    EXPECT_EQ(DirectoryOfThisTest(), GetProgramDirectory());
    EXPECT_EQ(DirectoryOfThisTest() + L"\\PhantomDeskHost.exe", ProgramFilePath(L"\\PhantomDeskHost.exe"));
    EXPECT_EQ(DirectoryOfThisTest() + L"\\component_tests.exe", module);
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
    ASSERT_TRUE(CopyFileW((DirectoryOfThisTest() + L"\\empty_module.dll").c_str(), module.c_str(), FALSE));
    HMODULE const loaded = LoadLibraryW(module.c_str());
    ASSERT_NE(nullptr, loaded) << GetLastError();

    std::wstring const path = ReadModulePath(loaded);
    FreeLibrary(loaded);

    EXPECT_GT(path.size(), static_cast<size_t>(MAX_PATH));
    ASSERT_NE(std::wstring::npos, path.rfind(folder + L"\\empty_module.dll")) << ToUtf8(path);
    EXPECT_EQ(path.size() - wcslen(L"\\empty_module.dll"), DirectoryOfPath(path).size());
    RemoveFolder(root);
}
