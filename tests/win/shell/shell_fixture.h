#pragma once
// The real main window under Wine, created in-process in a fresh temporary folder with its own ini
// file (IniMode), message boxes recorded instead of shown, the tray record forgotten, and every
// process-wide value put back.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "clipboard_access.h"
#include "options.h"
#include "recorder.h"
#include "test_support.h"

namespace shell_test {

using clipboard_test::ClipboardText;
using clipboard_test::CopyText;
using clipboard_test::PumpFor;
using clipboard_test::PumpUntil;

using test_support::IniInteger;
using test_support::IniText;

// A window of its own standing in for another program that copies or holds the clipboard.
HWND MakeHelperWindow();

// Writes "Convert.def" (UTF-16LE with its mark) into the current folder.
void WriteConvertDef(const std::wstring& content);

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the main window with the options as the test left them in ProcessingOptions.
    HWND CreateWindowUnderTest();
    void DestroyWindowUnderTest();

    std::unique_ptr<test_support::TemporaryFolder> folder_;
    std::unique_ptr<test_support::Recorder> recorder_;
    HWND window_ = nullptr;
    HWND helper_ = nullptr;
};

}  // namespace shell_test
