#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "commands.h"
#include "main_window.h"
#include "messages.h"
#include "shell_fixture.h"

namespace shell_test {
namespace {

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
                      menu_ = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU_MESSAGE, 0, 0));
                      if (menu_) {
                          checkedWatch_ = (GetMenuState(menu_, IDM_WATCH_TOGGLE, MF_BYCOMMAND) & MF_CHECKED) != 0;
                          greyedProcess_ = (GetMenuState(menu_, IDM_PROCESS_NOW, MF_BYCOMMAND) & MF_GRAYED) != 0;
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
    bool checkedWatch() const { return checkedWatch_; }
    bool greyedProcess() const { return greyedProcess_; }
    bool checkedMultiply() const { return checkedMultiply_; }

private:
    std::atomic<bool> seen_ = false;
    HMENU menu_ = nullptr;
    bool checkedWatch_ = false;
    bool greyedProcess_ = false;
    bool checkedMultiply_ = false;
    std::thread thread_;
};

using TrayPopupTest = ShellTest;

TEST_F(TrayPopupTest, ContextMenuShowsTheMarkedMenuAndEscapeChoosesNothing) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.MUL_BY_N = L"1.0";
    ASSERT_TRUE(CreateWindowUnderTest());
    const ProcessingOptionsRecord before = ProcessingOptions;
    {
        MenuWatcher watcher([](HWND menuWindow) { PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0); });
        // The point travels in wParam; tracking returns when the menu closes.
        SendMessageW(window_, WM_APP_TRAY, MAKEWPARAM(200, 300), WM_CONTEXTMENU);
        EXPECT_TRUE(watcher.seen());
        EXPECT_TRUE(watcher.checkedWatch());
        EXPECT_FALSE(watcher.greyedProcess());
        EXPECT_TRUE(watcher.checkedMultiply());
    }
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_TRUE(ProcessingOptions == before);
}

TEST_F(TrayPopupTest, ChoosingExitFromTheRealMenuEndsTheWindow) {
    ASSERT_TRUE(CreateWindowUnderTest());
    {
        MenuWatcher watcher([](HWND menuWindow) { PostMessageW(menuWindow, WM_CHAR, L'x', 0); });
        SendMessageW(window_, WM_APP_TRAY, 0, WM_RBUTTONUP);
        EXPECT_TRUE(watcher.seen());
    }
    EXPECT_FALSE(IsWindow(window_));
    window_ = nullptr;
}

}  // namespace
}  // namespace shell_test
