#include "common/program_icon.h"

#include "resources/resource.h"

HICON LoadProgramIcon(HINSTANCE module, int widthMetric, int heightMetric)
{
    return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(ICON_APP), IMAGE_ICON,
                                         GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_SHARED));
}
