#include <gtest/gtest.h>

#include <string>
#include <windows.h>

#include "clipboard_access.h"
#include "commands.h"
#include "nuvela_harness.h"
#include "resource.h"
#include "scoped_win.h"

namespace {

using namespace test_support;
using clipboard_test::ClipboardOwner;
using clipboard_test::ClipboardText;
using clipboard_test::PumpUntil;

// A window of Nuvela_o.exe is on the X display: xdotool finds it among the viewable windows.
bool NuvelaWindowIsMapped() {
    return RunUnixCommand({"sh", "-c", "xdotool search --onlyvisible --classname '^nuvela_o\\.exe$' >/dev/null"});
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

using FloatingE2ETest = NuvelaTest;

// The real program shows its button at start when SHOW_FLOATING is stored, and a click on the
// display (xdotool) processes the clipboard.
TEST_F(FloatingE2ETest, ButtonShownAtStartProcessesTheClipboardWhenClicked) {
    WriteIni({{L"CBWatchEnabled", L"0"}, {L"DelSpace", L"1"}, {L"SHOW_FLOATING", L"1"}});
    const UniqueWindow copier(
        CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    clipboard_test::CopyText(copier.get(), L"b a");
    StartedNuvela& first = Start(iniExe_, L"");
    const HWND window = first.WaitForMainWindow();
    ASSERT_TRUE(window);
    const HWND floating = first.WaitForDialog();
    ASSERT_TRUE(floating) << "the floating button did not show";
    EXPECT_EQ(ClassOf(GetDlgItem(floating, IDC_FLOATING_PREVIEW)), L"RichEdit20W");
    EXPECT_TRUE(GetWindowLongPtrW(floating, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_TRUE(PumpUntil(NuvelaWindowIsMapped, 15000)) << "the button never appeared on the display";
    ASSERT_NE(ClipboardOwner(), window) << "monitoring is off: nothing processed before the click";

    RECT push = {};
    ASSERT_TRUE(GetWindowRect(GetDlgItem(floating, IDM_PROCESS_NOW), &push));
    const std::string x = std::to_string((push.left + push.right) / 2);
    const std::string y = std::to_string((push.top + push.bottom) / 2);
    ASSERT_TRUE(RunUnixCommand({"xdotool", "mousemove", x.c_str(), y.c_str(), "click", "1"}));
    EXPECT_TRUE(PumpUntil([&] { return ClipboardOwner() == window; }, 15000)) << "the click processed nothing";
    EXPECT_EQ(ClipboardText(), L"ba");

    RECT frame = {};
    ASSERT_TRUE(GetWindowRect(floating, &frame));
    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/X", exitCode));
    ASSERT_TRUE(first.WaitForExit()) << "the button's loop ended with the program";
    EXPECT_EQ(IniInteger(L"SHOW_FLOATING"), 1) << "still wanted at the next start";
    EXPECT_EQ(IniInteger(L"LEFT_FLOATING"), frame.left) << "its place stored as it went";
    EXPECT_EQ(IniInteger(L"TOP_FLOATING"), frame.top);
}

int AlphaOf(HWND window) {
    BYTE alpha = 0;
    DWORD flags = 0;
    return GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) ? alpha : -1;
}

bool MovePointer(int x, int y) {
    const std::string xs = std::to_string(x);
    const std::string ys = std::to_string(y);
    return RunUnixCommand({"xdotool", "mousemove", xs.c_str(), ys.c_str()});
}

// With the pointer away the hover timer goes to sleep once the opacity has settled; the real
// pointer arriving over the button wakes it, and leaving fades it back.
TEST_F(FloatingE2ETest, RealPointerFadesTheButtonInAndOut) {
    WriteIni({{L"CBWatchEnabled", L"0"}, {L"SHOW_FLOATING", L"1"}, {L"ALPHA_FLOATING", L"250"},
              {L"ALPHA_FLOATING2", L"120"}});
    ASSERT_TRUE(MovePointer(0, 0));
    StartedNuvela& first = Start(iniExe_, L"");
    ASSERT_TRUE(first.WaitForMainWindow());
    const HWND floating = first.WaitForDialog();
    ASSERT_TRUE(floating) << "the floating button did not show";
    ASSERT_TRUE(PumpUntil(NuvelaWindowIsMapped, 15000)) << "the button never appeared on the display";
    EXPECT_EQ(AlphaOf(floating), 250);

    RECT push = {};
    ASSERT_TRUE(GetWindowRect(GetDlgItem(floating, IDM_PROCESS_NOW), &push));
    ASSERT_TRUE(MovePointer((push.left + push.right) / 2, (push.top + push.bottom) / 2));
    EXPECT_TRUE(PumpUntil([&] { return AlphaOf(floating) == 120; }, 15000)) << AlphaOf(floating);
    ASSERT_TRUE(MovePointer(0, 0));
    EXPECT_TRUE(PumpUntil([&] { return AlphaOf(floating) == 250; }, 15000)) << AlphaOf(floating);

    DWORD exitCode = 1;
    ASSERT_TRUE(RunSecond(L"/X", exitCode));
    ASSERT_TRUE(first.WaitForExit());
}

}  // namespace
