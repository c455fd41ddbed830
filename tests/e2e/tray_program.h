#pragma once

// Runs the real program from a fresh folder, as a user who downloaded it would,
// with the stand-in screen host beside it.

#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

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
    // Starts the stand-in screen host and waits until it serves the stop channel.
    StartedProcess StartHost();
    // Makes stand-in screen hosts started from now on own a top-level window.
    void GiveHostsAWindow();
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
};
