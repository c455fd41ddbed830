#include "resource_counts.h"

#include <windows.h>
#include <winternl.h>

namespace
{
// Kernel handles are multiples of 4; a process that holds more than this many
// has bigger problems than a test can report.
ULONG_PTR const LAST_KERNEL_HANDLE = 0x40000;
// USER handles are even numbers in this range; with a zero high word Windows and
// Wine accept them whatever their generation.
ULONG_PTR const FIRST_USER_HANDLE = 0x0020;
ULONG_PTR const LAST_USER_HANDLE = 0xFFEF;
// The GDI handle table that the PEB points to: 64K cells of this layout.
int const GDI_HANDLE_COUNT = 0x10000;
size_t const PEB_GDI_TABLE_OFFSET = 0xF8;

struct GdiHandleCell
{
    ULONGLONG object;
    USHORT processId;
    USHORT count;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    ULONGLONG userPointer;
};
}

std::set<unsigned long long> ListKernelHandles()
{
    std::set<unsigned long long> handles;
    DWORD flags = 0;
    for (ULONG_PTR value = 4; value <= LAST_KERNEL_HANDLE; value += 4)
    {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
        {
            handles.insert(value);
        }
    }
    return handles;
}

int CountKernelHandles()
{
    return static_cast<int>(ListKernelHandles().size());
}

std::string KernelHandleType(unsigned long long handle)
{
    typedef NTSTATUS(NTAPI * QueryObjectFn)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    QueryObjectFn const query = reinterpret_cast<QueryObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    union
    {
        PUBLIC_OBJECT_TYPE_INFORMATION info;
        unsigned char bytes[1024];
    } buffer = {};
    if (query == nullptr || query(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(handle)),
                                  ObjectTypeInformation, &buffer, sizeof(buffer), nullptr) != 0)
    {
        return "?";
    }
    std::string type;
    for (USHORT i = 0; i < buffer.info.TypeName.Length / sizeof(wchar_t); ++i)
    {
        type += static_cast<char>(buffer.info.TypeName.Buffer[i]);
    }
    return type;
}

int CountMenus()
{
    int count = 0;
    for (ULONG_PTR value = FIRST_USER_HANDLE; value <= LAST_USER_HANDLE; value += 2)
    {
        if (IsMenu(reinterpret_cast<HMENU>(value)))
        {
            ++count;
        }
    }
    return count;
}

int CountGdiObjects()
{
    typedef NTSTATUS(NTAPI * QueryInformationProcessFn)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG,
                                                        PULONG);
    QueryInformationProcessFn const query =
        reinterpret_cast<QueryInformationProcessFn>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic = {};
    if (query == nullptr ||
        query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0)
    {
        return -1;
    }
    PEB const* peb = basic.PebBaseAddress;
    GdiHandleCell const* const* tableAddress = reinterpret_cast<GdiHandleCell const* const*>(
        reinterpret_cast<unsigned char const*>(peb) + PEB_GDI_TABLE_OFFSET);
    GdiHandleCell const* table = *tableAddress;
    if (table == nullptr)
    {
        return -1;
    }
    // Windows shares one table among all processes and notes each cell's owner;
    // Wine gives each process a table of its own and leaves the owner at 0.
    // Stock objects (owner 0 on Windows) are there from start to end either way.
    USHORT const self = static_cast<USHORT>(GetCurrentProcessId());
    int count = 0;
    for (int i = 0; i < GDI_HANDLE_COUNT; ++i)
    {
        if (table[i].type != 0 && (table[i].processId == self || table[i].processId == 0))
        {
            ++count;
        }
    }
    return count;
}
