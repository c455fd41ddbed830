#pragma once

// Runs the real program from a fresh folder, as a user who downloaded it would,
// with the stand-in screen host beside it.

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

// Modes of the stand-in screen host, each switched on by a file of this name
// beside it.
wchar_t const HOST_WITH_WINDOWS[] = L"host-window.marker";
wchar_t const HOST_IGNORING_CLOSE[] = L"host-close-ignored.marker";
wchar_t const HOST_WINDOW_HUNG[] = L"host-window-hung.marker";
wchar_t const HOST_PIPE_UNREAD[] = L"host-pipe-unread.marker";
wchar_t const HOST_LOCKED[] = L"host-locked.marker";

class TrayProgramTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    std::wstring ProgramPath() const;
    std::wstring HostPath() const;

    // Starts the program and answers its start-up notice and greeting.
    StartedProcess StartTrayProgram(HWND* window);
    // Right-clicks the tray icon and chooses the entry at position.
    void ChooseFromTrayMenu(int position);
    // Starts the stand-in screen host from path (HostPath() when empty, else a
    // copy made there) and waits until it serves the stop channel. With a mode,
    // it and every host started from its folder later run in that mode.
    StartedProcess StartHost(wchar_t const* mode = nullptr, std::wstring const& path = L"");
    // What the stand-in screen host with this process identifier wrote (in
    // another folder than ours when given).
    std::string HostLog(DWORD processId, std::wstring const& hostFolder = L"") const;
    // Identifiers of every stand-in screen host that has written a log here.
    std::vector<DWORD> LoggedHosts() const;

    // True when a stand-in's log says it was started from path with no arguments
    // and with this show state.
    static bool StartedPlainly(std::string const& log, std::wstring const& path, int showState);

    std::wstring folder;
    std::vector<StartedProcess> started;

private:
    // Programs where an unquoted path with spaces would start them instead of
    // what was meant; no command may ever start one.
    std::vector<std::wstring> decoys;
};
