#pragma once

#include <windows.h>

// The program's icon from module at the size that two system metrics name
// (SM_CXSMICON and SM_CYSMICON, say): the image drawn for that size rather than a
// larger one scaled down, which blurs. Shared by the system, so nobody destroys
// it; null when module has no such icon.
HICON LoadProgramIcon(HINSTANCE module, int widthMetric, int heightMetric);
