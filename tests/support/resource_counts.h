#pragma once

// Counts of what this process holds, by methods that work under Wine as well as
// on Windows (where GetProcessHandleCount and GetGuiResources answer 0 under
// Wine): each probes the handle values themselves.

#include <set>
#include <string>

// Open kernel handles of this process.
int CountKernelHandles();
// The values of those handles.
std::set<unsigned long long> ListKernelHandles();
// What kind of object a handle of this process refers to ("Event", "File"...).
std::string KernelHandleType(unsigned long long handle);
// Menus that exist in this process.
int CountMenus();
// GDI objects owned by this process, from the shared GDI handle table.
int CountGdiObjects();
