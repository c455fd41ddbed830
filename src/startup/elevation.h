#pragma once

#include <windows.h>

// True when the process runs with the Administrators group enabled. Ends the
// process, with the failing call's error code as exit status, when Windows cannot
// answer.
bool IsRunningAsAdministrator();

// True when this copy was started by RelaunchElevated. Takes the mark out of the
// environment, so that nothing this copy starts inherits it.
bool TakeRelaunchMark();

// True when the elevation prompt cannot give this process the Administrators
// group: it is elevated already, with a token that has no such group at all (a
// Backup Operator's, say).
bool IsElevatedWithoutAdministrators();

// Starts this program again through the elevation prompt, without arguments,
// marked as relaunched. Tells the user when that fails, whatever the reason.
void RelaunchElevated();

// Tells the user that the program ends for want of administrator rights.
void RefuseToRunWithoutAdministrator();
