#pragma once

int const DRIVER_OP_INSTALL = 0;
int const DRIVER_OP_UNINSTALL = 1;

// Starts the display driver's installer (from the program's folder) or its
// uninstaller (from the driver's own folder), shown normally, and does not wait
// for it. Reports only a failure to start.
void RunDriverTool(int operation);
