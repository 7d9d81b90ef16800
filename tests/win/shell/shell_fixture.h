#pragma once
// The real main window under Wine, created in-process in a fresh temporary folder with its own ini
// file (IniMode), message boxes recorded instead of shown, the tray record forgotten, and every
// process-wide value put back.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

#include "clipboard_access.h"
#include "commands.h"
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

constexpr UINT MN_GETHMENU_MESSAGE = 0x01E1;

// Waits on its own thread for the popup menu window, reads the shown menu, then acts on it.
class MenuWatcher {
public:
    template <typename Action>
    explicit MenuWatcher(Action action)
        : thread_([this, action] {
              const ULONGLONG deadline = GetTickCount64() + 10000;
              while (GetTickCount64() < deadline) {
                  HWND menuWindow = FindWindowW(L"#32768", nullptr);
                  if (menuWindow && IsWindowVisible(menuWindow)) {
                      GetWindowRect(menuWindow, &rect_);
                      menu_ = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU_MESSAGE, 0, 0));
                      if (menu_) {
                          checkedWatch_ = (GetMenuState(menu_, IDM_WATCH_TOGGLE, MF_BYCOMMAND) & MF_CHECKED) != 0;
                          greyedProcess_ = (GetMenuState(menu_, IDM_PROCESS_NOW, MF_BYCOMMAND) & MF_GRAYED) != 0;
                          greyedRestore_ = (GetMenuState(menu_, IDM_RESTORE_ORIGINAL, MF_BYCOMMAND) & MF_GRAYED) != 0;
                          checkedMultiply_ = (GetMenuState(menu_, IDM_MULTIPLY, MF_BYCOMMAND) & MF_CHECKED) != 0;
                      }
                      seen_ = true;
                      action(menuWindow);
                      return;
                  }
                  Sleep(20);
              }
          }) {}
    ~MenuWatcher() { thread_.join(); }
    bool seen() const { return seen_; }
    HMENU menu() const { return menu_; }
    RECT rect() const { return rect_; }  // where the menu showed, in screen coordinates
    bool checkedWatch() const { return checkedWatch_; }
    bool greyedProcess() const { return greyedProcess_; }
    bool greyedRestore() const { return greyedRestore_; }
    bool checkedMultiply() const { return checkedMultiply_; }

private:
    std::atomic<bool> seen_ = false;
    HMENU menu_ = nullptr;
    RECT rect_ = {};
    bool checkedWatch_ = false;
    bool greyedProcess_ = false;
    bool greyedRestore_ = false;
    bool checkedMultiply_ = false;
    std::thread thread_;
};

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
