#pragma once
// The real Nuvela.exe under Wine: started from a copy in the test's temporary folder, its windows
// found and their buttons pressed, and every start ended again, also when an assertion returned
// early. The one harness of the end-to-end tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "test_support.h"

namespace test_support {

// A visible top-level window of `processId` with this class; null when none came in time.
// Dialogs count only once they are on screen, since only then can they be pressed.
HWND WaitForWindow(DWORD processId, const wchar_t* className, DWORD deadlineMs = 15000);
std::wstring WindowText(HWND window);
// Presses a dialog button as a click does.
void PressButton(HWND dialog, int id);

// One start of Nuvela.exe or a copy of it. The destructor ends one still running as a second
// start's "/X" does (WM_DESTROY to its main window, so it removes its icon and saves), by force
// only when that fails, and checks that it ended.
class StartedNuvela {
public:
    StartedNuvela(const std::filesystem::path& exe, const std::wstring& arguments,
                  const std::filesystem::path& directory);
    ~StartedNuvela();
    StartedNuvela(const StartedNuvela&) = delete;
    StartedNuvela& operator=(const StartedNuvela&) = delete;

    bool ok() const { return process_.started(); }
    DWORD id() const { return process_.id(); }
    bool Running() const { return process_.Running(); }
    bool WaitForExit(DWORD deadlineMs = 15000) { return process_.WaitForExit(deadlineMs); }
    DWORD ExitCode() const { return process_.ExitCode(); }
    // Its main window (class "NuvelaClipboardText"); null when none came in time.
    HWND WaitForMainWindow(DWORD deadlineMs = 15000) const;
    // A dialog or message box of this process, once shown.
    HWND WaitForDialog(DWORD deadlineMs = 15000) const;

private:
    ChildProcess process_;
};

// The end-to-end fixture: a fresh temporary folder (the current one) holding Nuvela_o.exe, whose
// settings live in the Nuvela.ini there ("NoOpeningDlg=1" already written), English texts for
// every start, the product key deleted before and after, and every start ended by TearDown.
class NuvelaTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Nuvela.exe copied into the test folder under `name`.
    std::filesystem::path Install(const wchar_t* name);
    // A start of the program, in the test folder unless `directory` is given.
    StartedNuvela& Start(const std::filesystem::path& exe, const std::wstring& arguments,
                         const std::filesystem::path& directory = {});
    // A second start of Nuvela_o.exe that should end by itself; false when it did not.
    bool RunSecond(const std::wstring& arguments, DWORD& exitCode);
    // Posts "monitoring off" to `window` behind every message already queued for it, and returns
    // once it has run (the save that follows overwrites a value written behind its back). Every
    // clipboard notification that reached the window before has then been handled.
    bool SwitchMonitoringOffBehindQueuedMessages(HWND window);

    std::unique_ptr<TemporaryFolder> folder_;
    std::filesystem::path iniExe_;  // Nuvela_o.exe: settings in the test folder

private:
    std::vector<std::unique_ptr<StartedNuvela>> started_;
    std::unique_ptr<ScopedEnvironmentVariable> language_;
};

}  // namespace test_support
