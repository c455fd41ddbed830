#include "common/system_function.h"

void* FindSystemFunction(wchar_t const* module, char const* name)
{
    HMODULE loaded = GetModuleHandleW(module);
    if (loaded == nullptr)
    {
        // Never from the program's own folder, where anyone may have put a DLL of
        // that name. Windows without the System32-only search (Vista and 7 before
        // KB2533623) refuse the flag, and lack the newer DLLs anyway.
        loaded = LoadLibraryExW(module, nullptr, SEARCH_SYSTEM32_ONLY);
    }
    if (loaded == nullptr)
    {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(loaded, name));
}
