#include "startup/startup.h"

#include <gtest/gtest.h>

// The program runs elevated from wherever it was downloaded: a DLL planted
// beside it must not be loaded by name once it has started.
TEST(DllSearch, IgnoresDllsBesideTheProgramOnceRestricted)
{
    // empty_module.dll lies beside this test, where the default search finds it.
    HMODULE const planted = LoadLibraryW(L"empty_module.dll");
    ASSERT_NE(nullptr, planted);
    FreeLibrary(planted);

    RestrictDllSearchToSystem32();

    HMODULE const afterwards = LoadLibraryW(L"empty_module.dll");
    EXPECT_EQ(nullptr, afterwards);
    if (afterwards != nullptr)
    {
        FreeLibrary(afterwards);
    }
    // What the program needs from System32 still loads.
    HMODULE const system = LoadLibraryW(L"version.dll");
    EXPECT_NE(nullptr, system);
    FreeLibrary(system);
}
