#pragma once

// Counts of what this process holds, by methods that work under Wine as well as
// on Windows (where GetProcessHandleCount and GetGuiResources answer 0 under
// Wine): each probes the handle values themselves.

// Open kernel handles of this process.
int CountKernelHandles();
// Menus that exist in this process.
int CountMenus();
// GDI objects owned by this process, from the shared GDI handle table.
int CountGdiObjects();
