#pragma once
// Starting the real Nuvela.exe under Wine from a copy in the test's temporary folder, finding its
// windows, pressing their buttons and ending every process the test started.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "clipboard_access.h"
#include "scoped_win.h"
#include "test_support.h"

namespace e2e {

// One started program; the destructor ends it when the test did not, and checks that it ended.
class Started {
public:
    Started(const std::filesystem::path& exe, const std::wstring& arguments, const std::filesystem::path& directory);
    ~Started();
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    bool ok() const { return static_cast<bool>(process_); }
    DWORD id() const { return id_; }
    // Waits for the end; false when the deadline passed.
    bool WaitForExit(DWORD deadlineMs = 15000);
    DWORD ExitCode() const;
    bool Running() const;

private:
    UniqueHandle process_;
    DWORD id_ = 0;
};

// A visible top-level window of `processId` with this class; null when none came in time.
HWND WaitForWindow(DWORD processId, const wchar_t* className, DWORD deadlineMs = 15000);
HWND WaitForMainWindow(DWORD processId);
HWND WaitForDialog(DWORD processId);  // a dialog or message box
std::wstring WindowText(HWND window);
// Presses a dialog button as a click does.
void PressButton(HWND dialog, int id);

// The ini file of `folder`; `missing` when the key is not there.
int IniInteger(const std::filesystem::path& folder, const wchar_t* key, int missing = -1);
std::wstring IniText(const std::filesystem::path& folder, const wchar_t* key);
void WriteIni(const std::filesystem::path& folder, const std::vector<std::pair<std::wstring, std::wstring>>& values);

// The product's registry key.
void DeleteProductKey();
bool ReadRegistryDword(const wchar_t* name, DWORD& value);
void WriteRegistryDword(const wchar_t* name, DWORD value);

// A copy made by another program, as the user makes one.
inline void CopyText(const std::wstring& text) { clipboard_test::CopyText(nullptr, text); }
using clipboard_test::ClipboardOwner;

class E2ETest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Nuvela.exe copied into the test folder under `name`.
    std::filesystem::path Install(const wchar_t* name);
    // A start of the program in the test folder; ended by TearDown at the latest.
    Started& Start(const std::filesystem::path& exe, const std::wstring& arguments);
    Started& Start(const std::filesystem::path& exe, const std::wstring& arguments,
                   const std::filesystem::path& directory);
    // A second start that should end by itself.
    bool RunSecond(const std::wstring& arguments, DWORD& exitCode);

    std::unique_ptr<test_support::TemporaryFolder> folder_;
    std::filesystem::path iniExe_;  // Nuvela_o.exe: settings in the test folder
    std::vector<std::unique_ptr<Started>> started_;
    std::wstring previousLanguage_;
    bool hadLanguage_ = false;
};

}  // namespace e2e
