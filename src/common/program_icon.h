#pragma once

#include <windows.h>

// The program's icon at width by height pixels: the image drawn for that size,
// or a larger one scaled down, never a smaller one stretched, which blurs. The
// caller owns it and destroys it with DestroyIcon. Null when module has no icon.
HICON LoadProgramIcon(HINSTANCE module, int width, int height);
