#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>
#include <windows.h>
#include <commctrl.h>

#include "app_state.h"
#include "commands.h"
#include "dialog_host.h"
#include "dpi.h"
#include "floating_button.h"
#include "language.h"
#include "main_window.h"
#include "menu_dialogs.h"
#include "messages.h"
#include "multiply_dialog.h"
#include "regex_dialog.h"
#include "resource.h"
#include "scoped_win.h"
#include "settings.h"
#include "settings_dialog.h"
#include "shell_fixture.h"
#include "watch.h"
#include "windows_system.h"

namespace shell_test {
namespace {

using Script = std::function<void(HWND button)>;

Script pendingScript;
bool scriptPlayed = false;

// Plays the script once the floating button is on screen, inside the button's own modal loop,
// then closes a button the script left open, so no test can hang.
void CALLBACK PlayOnFloatingButton(HWND, UINT, UINT_PTR timer, DWORD) {
    if (!FloatingWindow || !IsWindowVisible(FloatingWindow)) return;
    KillTimer(nullptr, timer);
    scriptPlayed = true;
    const Script script = std::exchange(pendingScript, nullptr);
    script(FloatingWindow);
    CloseFloatingButton();
}

// Calls `open`, which should show the button, and plays `script` on it.
void Drive(const std::function<void()>& open, Script script) {
    pendingScript = std::move(script);
    scriptPlayed = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, PlayOnFloatingButton);
    open();
    KillTimer(nullptr, timer);
    EXPECT_TRUE(scriptPlayed) << "the floating button was never shown";
    EXPECT_EQ(FloatingWindow, nullptr) << "closed when its loop returned";
}

void DriveButton(Script script) { Drive(RunFloatingButton, std::move(script)); }

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

RECT FrameOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

int AlphaOf(HWND window) {
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) || !(flags & LWA_ALPHA)) return -1;
    return alpha;
}

HICON ButtonImage(HWND window) {
    return reinterpret_cast<HICON>(SendDlgItemMessageW(window, IDM_PROCESS_NOW, BM_GETIMAGE, IMAGE_ICON, 0));
}

std::wstring PreviewText() {
    wchar_t text[256] = {};
    GetWindowTextW(FloatingPreview, text, 256);
    return text;
}

void HoverTick(HWND window) { SendMessageW(window, WM_TIMER, IDT_FLOATING_HOVER, 0); }

// The hover timer is alive: one of its own ticks arrives (and is handled, as the loop would).
bool HoverTimerTicks(HWND window) {
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (GetTickCount64() < deadline) {
        MSG message;
        while (PeekMessageW(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
            DispatchMessageW(&message);
            if (message.hwnd == window && message.wParam == IDT_FLOATING_HOVER) return true;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return false;
}

// No hover timer exists: there is none for KillTimer to end (and so nothing is disturbed).
bool HoverTimerAsleep(HWND window) { return !KillTimer(window, IDT_FLOATING_HOVER); }

// Plays scripts on the real settings dialog, one per opening in order, from inside its own modal
// loop. A dialog a script leaves open is cancelled, so no test can hang.
class SettingsDialogScripts {
public:
    explicit SettingsDialogScripts(std::vector<Script> scripts) {
        scripts_ = std::move(scripts);
        played_ = 0;
        timer_ = SetTimer(nullptr, 0, 10, Play);
    }
    ~SettingsDialogScripts() {
        KillTimer(nullptr, timer_);
        scripts_.clear();
    }
    SettingsDialogScripts(const SettingsDialogScripts&) = delete;
    SettingsDialogScripts& operator=(const SettingsDialogScripts&) = delete;
    size_t played() const { return played_; }

private:
    static void CALLBACK Play(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = SettingsDialogWindow;
        if (playing_ || played_ >= scripts_.size() || !dialog || !IsWindowVisible(dialog)) return;
        playing_ = true;
        scripts_[played_++](dialog);
        playing_ = false;
        if (IsWindow(dialog) && IsWindowVisible(dialog)) SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    static inline std::vector<Script> scripts_;
    static inline size_t played_ = 0;
    static inline bool playing_ = false;
    UINT_PTR timer_ = 0;
};

// As the user drags a trackbar: the position, then the scroll report to the dialog.
void MoveTrackbar(HWND dialog, int id, int position) {
    HWND trackbar = GetDlgItem(dialog, id);
    SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(trackbar));
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void Click(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }
void Confirm(HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDOK, 0); }
void Cancel(HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }

INT_PTR CALLBACK InertDlgProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// Where the template opens on its own (centred) and how wide its preview is there, before the
// button sizes itself.
struct OpeningShape {
    RECT frame = {};
    int previewWidth = 0;
    int previewHeight = 0;
    int smallestWidth() const { return Width(frame) - previewWidth; }
};

OpeningShape TemplateOpeningShape() {
    OpeningShape shape;
    HWND dialog = CreateDialogParamW(ProgramInstance, MAKEINTRESOURCEW(IDD_FLOATING), nullptr, InertDlgProc, 0);
    EXPECT_TRUE(dialog);
    if (!dialog) return shape;
    shape.frame = FrameOf(dialog);
    shape.previewWidth = Width(FrameOf(GetDlgItem(dialog, IDC_FLOATING_PREVIEW)));
    shape.previewHeight = Height(FrameOf(GetDlgItem(dialog, IDC_FLOATING_PREVIEW)));
    DestroyWindow(dialog);
    return shape;
}

// Stored sizes are in 96-DPI units: the least one that gives at least `pixels` at `dpi`.
int Least96UnitsFor(int pixels, UINT dpi) {
    int units = MulDiv(pixels, kBaseDpi, static_cast<int>(dpi));
    while (ScaleForDpi(units, dpi) < pixels) ++units;
    while (ScaleForDpi(units - 1, dpi) >= pixels) --units;
    return units;
}

RECT FirstMonitor() {
    RECT found = {};
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM data) -> BOOL {
            MONITORINFO info = {};
            info.cbSize = sizeof info;
            GetMonitorInfoW(monitor, &info);
            *reinterpret_cast<RECT*>(data) = info.rcMonitor;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

enum class Placement { Under, CornerOnCursor, Away };

// Puts the window under the cursor, with its bottom-right corner exactly on it, or well away from
// it, without touching the pointer.
void PlaceRelativeToCursor(HWND window, Placement placement) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    const RECT frame = FrameOf(window);
    POINT corner = {cursor.x - 5, cursor.y - 5};
    if (placement == Placement::CornerOnCursor) corner = {cursor.x - Width(frame), cursor.y - Height(frame)};
    if (placement == Placement::Away) corner = {cursor.x + 200, cursor.y + 200};
    SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Destroying a main window posts the quit message, which would end the next button's modal loop.
void DropQuitMessages() {
    MSG quit;
    while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

class FloatingButtonTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        DropQuitMessages();
        static const HMODULE richEdit = LoadSystemLibrary(L"RICHED20.DLL");  // as start-up loads it, for good
        ASSERT_TRUE(richEdit);
        InstallMenuDialogs();
        ProcessingOptions.SHOW_FLOATING = true;
        OpacityPreview = FloatingOpacityPreview{};
    }
    void TearDown() override {
        SettingsDialogWindow = nullptr;
        OpacityPreview = FloatingOpacityPreview{};
        SetModalDialogRunner(nullptr);
        SetMenuDialogs({});
        SetFloatingButtonHooks({});
        ShellTest::TearDown();
        DropQuitMessages();
    }
};

TEST_F(FloatingButtonTest, DefaultOptionsOpenCentredAtTheSmallestSizeAndOpaque) {
    ASSERT_TRUE(CreateWindowUnderTest());
    const OpeningShape opening = TemplateOpeningShape();
    ASSERT_GT(opening.previewWidth, 0);
    RECT workArea = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    DriveButton([&](HWND button) {
        // Centred at its full size on the work area, then narrowed to the button from the left.
        const RECT frame = FrameOf(button);
        EXPECT_NEAR(frame.left, (workArea.left + workArea.right - Width(opening.frame)) / 2, 1);
        EXPECT_NEAR(frame.top, (workArea.top + workArea.bottom - Height(opening.frame)) / 2, 1);
        EXPECT_EQ(Width(frame), opening.smallestWidth());
        EXPECT_EQ(Height(frame), Height(opening.frame));
        EXPECT_EQ(Width(FrameOf(FloatingPreview)), 0) << "only the button shows";
        EXPECT_EQ(AlphaOf(button), 255);
        EXPECT_EQ(FloatingPreview, GetDlgItem(button, IDC_FLOATING_PREVIEW));
        EXPECT_EQ(ButtonImage(button), FloatingButtonImage(false));
        const LONG_PTR extended = GetWindowLongPtrW(button, GWL_EXSTYLE);
        EXPECT_TRUE(extended & WS_EX_TOPMOST);
        EXPECT_TRUE(extended & WS_EX_TOOLWINDOW);
        EXPECT_EQ(GetParent(button), nullptr) << "no owner";
    });
}

// Sent straight to the window, tick by tick: no waiting on the 17 ms timer.
TEST_F(FloatingButtonTest, OpacityFadesTowardItsTargetInStepsOfTen) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.ALPHA_FLOATING = 255;
    ProcessingOptions.ALPHA_FLOATING2 = 100;
    DriveButton([](HWND button) {
        PlaceRelativeToCursor(button, Placement::Under);
        SetFloatingOpacity(255);
        std::vector<int> seen;
        for (int tick = 0; tick < 17; ++tick) {
            HoverTick(button);
            seen.push_back(AlphaOf(button));
        }
        const std::vector<int> expected = {245, 235, 225, 215, 205, 195, 185, 175, 165,
                                           155, 145, 135, 125, 115, 105, 100, 100};
        EXPECT_EQ(seen, expected) << "16 ticks from 255 to 100, then it stays";
    });
}

TEST_F(FloatingButtonTest, TargetOpacityFollowsTheMouseAndTheSettingsPreview) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.ALPHA_FLOATING = 40;
    ProcessingOptions.ALPHA_FLOATING2 = 200;
    const struct {
        Placement placement;
        bool preview;
        int start;
        int ticks;  // until the target is reached
        int target;
    } cases[] = {
        {Placement::Away, false, 200, 16, 40},  // 200 -> 50 in 15 steps, then 40
        {Placement::Under, false, 40, 16, 200},
        {Placement::Under, false, 195, 1, 200},   // less than 10 away: straight there
        {Placement::CornerOnCursor, false, 195, 1, 200},  // the edges count as over the window
        {Placement::Away, true, 255, 23, 30},   // the preview's normal opacity while the settings dialog is open
        {Placement::Under, true, 255, 1, 250},  // and its mouse-over opacity
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "placement " << static_cast<int>(c.placement) << " preview " << c.preview
                                        << " from " << c.start);
        OpacityPreview = {c.preview, 30, 250};
        DriveButton([&](HWND button) {
            PlaceRelativeToCursor(button, c.placement);
            SetFloatingOpacity(c.start);
            int ticks = 0;
            int previous = c.start;
            while (AlphaOf(button) != c.target && ticks < 40) {
                HoverTick(button);
                ++ticks;
                EXPECT_LE(std::abs(AlphaOf(button) - previous), 10);
                previous = AlphaOf(button);
            }
            EXPECT_EQ(ticks, c.ticks);
            HoverTick(button);
            EXPECT_EQ(AlphaOf(button), c.target) << "stays at its target";
        });
    }
}

// The timer sleeps once the opacity has reached its target with the pointer away, and stays
// awake while the pointer is over the window, edges included, to see it leave.
TEST_F(FloatingButtonTest, HoverTimerSleepsOnlyOnceSettledWithThePointerAway) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.ALPHA_FLOATING = 40;
    ProcessingOptions.ALPHA_FLOATING2 = 200;
    const struct {
        Placement placement;
        int start;
        int ticksBeforeTheLast;  // driven by hand; the last is the timer's own
        bool sleeps;
    } cases[] = {
        {Placement::Away, 40, 0, true},    // already there
        {Placement::Away, 45, 0, true},    // straight there
        {Placement::Away, 200, 15, true},  // 200 -> 50 in 15 steps, then 40
        {Placement::Under, 200, 3, false},
        {Placement::CornerOnCursor, 200, 3, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "placement " << static_cast<int>(c.placement) << " from " << c.start);
        DriveButton([&](HWND button) {
            PlaceRelativeToCursor(button, c.placement);
            SetFloatingOpacity(c.start);
            for (int tick = 0; tick < c.ticksBeforeTheLast; ++tick) HoverTick(button);
            ASSERT_TRUE(HoverTimerTicks(button)) << "awake until then";
            if (c.sleeps) {
                EXPECT_EQ(AlphaOf(button), 40);
                EXPECT_TRUE(HoverTimerAsleep(button));
                return;
            }
            EXPECT_EQ(AlphaOf(button), 200);
            EXPECT_TRUE(HoverTimerTicks(button)) << "still awake at its target while the pointer is over it";
            PlaceRelativeToCursor(button, Placement::Away);  // the pointer leaves
            EXPECT_TRUE(PumpUntil([&] { return AlphaOf(button) == 40; })) << AlphaOf(button);
            EXPECT_TRUE(HoverTimerAsleep(button));
        });
    }
}

// The pointer arriving over the window or one of its controls wakes the timer and remembers the
// window the user came from, before a click can activate the button: the click gives the
// foreground back there, although no tick ran since that window took it.
TEST_F(FloatingButtonTest, PointerArrivalWakesTheTimerAndRemembersTheForeground) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    auto popup = [] {
        return UniqueWindow(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                            ProgramInstance, nullptr));
    };
    const UniqueWindow earlier = popup();
    const UniqueWindow worked = popup();
    // What the system sends as the pointer comes over each part of the window.
    const struct {
        const char* name;
        void (*arrive)(HWND button);
    } cases[] = {
        {"cursor over the frame",
         [](HWND b) {
             SendMessageW(b, WM_SETCURSOR, reinterpret_cast<WPARAM>(b), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
         }},
        {"cursor over the button",
         [](HWND b) {
             HWND push = GetDlgItem(b, IDM_PROCESS_NOW);
             SendMessageW(push, WM_SETCURSOR, reinterpret_cast<WPARAM>(push), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
         }},
        {"cursor over the preview",
         [](HWND) {
             SendMessageW(FloatingPreview, WM_SETCURSOR, reinterpret_cast<WPARAM>(FloatingPreview),
                          MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
         }},
        {"move over the preview", [](HWND) { SendMessageW(FloatingPreview, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2)); }},
        {"move over the frame",
         [](HWND b) {
             const RECT frame = FrameOf(b);
             SendMessageW(b, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(frame.left + 2, frame.top + 2));
         }},
        {"move over the window", [](HWND b) { SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(1, 1)); }},
    };
    CopyText(helper_, L"text");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DriveButton([&](HWND button) {
            PlaceRelativeToCursor(button, Placement::Away);
            SetForegroundWindow(earlier.get());
            ASSERT_EQ(GetForegroundWindow(), earlier.get());
            HoverTick(button);  // remembers `earlier` and, settled, goes to sleep
            ASSERT_TRUE(HoverTimerAsleep(button));
            SetForegroundWindow(worked.get());
            ASSERT_EQ(GetForegroundWindow(), worked.get());

            c.arrive(button);

            SetForegroundWindow(button);  // as the click activates it
            ASSERT_EQ(GetForegroundWindow(), button);
            EXPECT_TRUE(HoverTimerTicks(button)) << "woken";
            SendDlgItemMessageW(button, IDM_PROCESS_NOW, BM_CLICK, 0, 0);
            EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == worked.get(); }));
        });
    }
}

// The trackbars of the real settings dialog wake a sleeping button, which then fades toward the
// new value on its own timer; Cancel brings the stored opacity back the same way.
TEST_F(FloatingButtonTest, SettingsTrackbarAndCancelWakeTheFade) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.ALPHA_FLOATING = 200;
    ProcessingOptions.ALPHA_FLOATING2 = 250;
    DriveButton([&](HWND button) {
        PlaceRelativeToCursor(button, Placement::Away);
        SettingsDialogScripts settings({[&](HWND dialog) {
            HoverTick(button);
            ASSERT_EQ(AlphaOf(button), 200);
            ASSERT_TRUE(HoverTimerAsleep(button));
            MoveTrackbar(dialog, IDC_SETTINGS_OPACITY, 100);
            EXPECT_EQ(AlphaOf(button), 200) << "faded, not set";
            EXPECT_TRUE(PumpUntil([&] { return AlphaOf(button) == 100; })) << AlphaOf(button);
            EXPECT_TRUE(HoverTimerAsleep(button)) << "asleep again at the new value";
            Cancel(dialog);
        }});
        EXPECT_FALSE(RunSettingsDialog(nullptr));
        ASSERT_EQ(settings.played(), 1u);
        EXPECT_EQ(AlphaOf(button), 100);
        EXPECT_TRUE(PumpUntil([&] { return AlphaOf(button) == 200; })) << AlphaOf(button);
        EXPECT_TRUE(HoverTimerAsleep(button));
    });
    EXPECT_EQ(ProcessingOptions.ALPHA_FLOATING, 200) << "nothing stored";
}

TEST_F(FloatingButtonTest, StoredCornerIsUsedOnlyWhenAMonitorHoldsIt) {
    ASSERT_TRUE(CreateWindowUnderTest());
    const OpeningShape opening = TemplateOpeningShape();
    const RECT monitor = FirstMonitor();
    ASSERT_GT(Width(monitor), 0);
    const struct {
        int left, top;
        bool used;
    } cases[] = {
        {monitor.left, monitor.top, true},
        {monitor.left + 10, monitor.top + 20, true},
        {monitor.right, monitor.bottom, false},  // the right and bottom edges lie outside the monitor
        {monitor.left + 10, monitor.bottom, false},
        {monitor.right, monitor.top, false},
        {monitor.right + 1, monitor.top, false},
        {monitor.left, monitor.bottom + 1, false},
        {-32000, -32000, false},  // none stored
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << "," << c.top);
        ProcessingOptions.LEFT_FLOATING = c.left;
        ProcessingOptions.TOP_FLOATING = c.top;
        ProcessingOptions.WIDTH_FLOATING = ProcessingOptions.HEIGHT_FLOATING = 0;
        DriveButton([&](HWND button) {
            const RECT frame = FrameOf(button);
            EXPECT_EQ(frame.left, c.used ? c.left : opening.frame.left);
            EXPECT_EQ(frame.top, c.used ? c.top : opening.frame.top);
        });
    }
}

// A corner stored just inside the monitor's lower right edge: the button moves back inside the work
// area, whole.
TEST_F(FloatingButtonTest, StoredCornerNearTheEdgeKeepsTheWholeButtonOnTheScreen) {
    ASSERT_TRUE(CreateWindowUnderTest());
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor));
    const RECT area = monitor.rcWork;
    ProcessingOptions.LEFT_FLOATING = monitor.rcMonitor.right - 1;
    ProcessingOptions.TOP_FLOATING = monitor.rcMonitor.bottom - 1;
    DriveButton([&](HWND button) {
        const RECT frame = FrameOf(button);
        EXPECT_EQ(frame.right, area.right);
        EXPECT_EQ(frame.bottom, area.bottom);
    });
}

// Sizes are stored in 96-DPI units: the widened 300 x 110 button stays widened, with its preview,
// at the DPI of its monitor. scripts/test.sh runs this again in prefixes at 144 and 192 DPI and
// says so in NUVELA_EXPECTED_DPI.
TEST_F(FloatingButtonTest, StoredSizeKeepsItsMeaningAtTheDpiOfItsMonitor) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.WIDTH_FLOATING = 300;
    ProcessingOptions.HEIGHT_FLOATING = 110;
    DriveButton([](HWND button) {
        const int dpi = static_cast<int>(DpiOf(button));
        if (const char* expected = std::getenv("NUVELA_EXPECTED_DPI")) {
            EXPECT_EQ(dpi, std::atoi(expected)) << "the prefix's DPI";
        }
        const RECT frame = FrameOf(button);
        EXPECT_EQ(Width(frame), ScaleForDpi(300, dpi));
        EXPECT_EQ(Height(frame), ScaleForDpi(110, dpi));
        EXPECT_GT(Width(FrameOf(FloatingPreview)), 0) << "widened, with its preview";
    });
    EXPECT_EQ(ProcessingOptions.WIDTH_FLOATING, 300) << "stored back in 96-DPI units";
    EXPECT_EQ(ProcessingOptions.HEIGHT_FLOATING, 110);
}

TEST_F(FloatingButtonTest, StoredSizeBelowTheSmallestGivesTheSmallest) {
    ASSERT_TRUE(CreateWindowUnderTest());
    const OpeningShape opening = TemplateOpeningShape();
    const int smallest = opening.smallestWidth();  // in pixels, as the template opens at this DPI
    const int height = Height(opening.frame);
    const UINT dpi = DpiOf(window_);  // the one monitor's, which the button gets as well
    // The cases are stored sizes, in 96-DPI units, around the smallest one the button takes.
    const int smallest96 = Least96UnitsFor(smallest, dpi);
    const int height96 = Least96UnitsFor(height, dpi);
    const struct {
        int width, height;
        bool used;
    } cases[] = {
        {0, 0, false},
        {smallest96 - 1, height96 + 20, false},
        {smallest96 + 50, height96 - 1, false},
        {smallest96, height96, true},
        {smallest96 + 120, height96 + 40, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " at " << dpi << " DPI");
        ProcessingOptions.WIDTH_FLOATING = c.width;
        ProcessingOptions.HEIGHT_FLOATING = c.height;
        DriveButton([&](HWND button) {
            ASSERT_EQ(DpiOf(button), dpi);
            const RECT frame = FrameOf(button);
            EXPECT_EQ(Width(frame), c.used ? ScaleForDpi(c.width, dpi) : smallest);
            EXPECT_EQ(Height(frame), c.used ? ScaleForDpi(c.height, dpi) : height);
            MINMAXINFO limits = {};
            SendMessageW(button, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
            EXPECT_EQ(limits.ptMinTrackSize.x, smallest);
            EXPECT_EQ(limits.ptMinTrackSize.y, height);
            // The preview takes what the window gains, in both directions.
            const RECT preview = FrameOf(FloatingPreview);
            EXPECT_EQ(Width(preview), Width(frame) - smallest);
            EXPECT_EQ(Height(preview), opening.previewHeight + Height(frame) - height);
        });
    }
}

TEST_F(FloatingButtonTest, ClosingAsksWhenWantedAndNoLeavesEverything) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.CHKCLOSE_FLOATING = true;
    DriveButton([&](HWND button) {
        recorder_->boxAnswer = IDNO;
        SendMessageW(button, WM_COMMAND, IDCANCEL, 0);
        ASSERT_EQ(recorder_->boxes.size(), 1u);
        const auto& box = recorder_->boxes[0];
        EXPECT_EQ(box.owner, window_);
        EXPECT_EQ(box.text, L"Are you sure you want to close this button?");
        EXPECT_EQ(box.caption, L"Nuvela");
        EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
        EXPECT_TRUE(IsWindowVisible(button));
        EXPECT_EQ(FloatingWindow, button);
        EXPECT_TRUE(ProcessingOptions.SHOW_FLOATING);

        recorder_->boxAnswer = IDYES;
        SendMessageW(button, WM_CLOSE, 0, 0);  // the close box; the dialog posts itself a cancel
        EXPECT_TRUE(PumpUntil([&] { return recorder_->boxes.size() == 2; }));
        EXPECT_FALSE(ProcessingOptions.SHOW_FLOATING);
        EXPECT_FALSE(IsWindowVisible(button));
    });
    EXPECT_EQ(IniInteger(L"SHOW_FLOATING"), 0) << "saved when the window went";
}

TEST_F(FloatingButtonTest, CloseQuestionSpeaksTheLanguageOfTheStart) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.CHKCLOSE_FLOATING = true;
    recorder_->boxAnswer = IDNO;
    const struct {
        Language language;
        const wchar_t* text;
        const wchar_t* caption;
    } cases[] = {
        {Language::Japanese, L"このボタンを非表示にしてもよろしいですか?", L"ヌベラ"},
        {Language::English, L"Are you sure you want to close this button?", L"Nuvela"},
    };
    for (const auto& c : cases) {
        SetLanguage(c.language);
        recorder_->Clear();
        DriveButton([&](HWND button) { SendMessageW(button, WM_COMMAND, IDCANCEL, 0); });
        ASSERT_EQ(recorder_->boxes.size(), 1u);
        EXPECT_EQ(recorder_->boxes[0].text, c.text);
        EXPECT_EQ(recorder_->boxes[0].caption, c.caption);
    }
}

TEST_F(FloatingButtonTest, ClosingWithoutTheQuestionWhenNotWanted) {
    ASSERT_TRUE(CreateWindowUnderTest());
    DriveButton([&](HWND button) {
        SendMessageW(button, WM_COMMAND, IDCANCEL, 0);
        EXPECT_FALSE(ProcessingOptions.SHOW_FLOATING);
    });
    EXPECT_TRUE(recorder_->boxes.empty());
}

// The real settings dialog, opened through the menu while the button shows; the button is closed
// from under it.
TEST_F(FloatingButtonTest, ClosingWhileTheSettingsDialogIsOpenTurnsItsBoxOffAndWarns) {
    ASSERT_TRUE(CreateWindowUnderTest());
    const struct {
        Language language;
        const wchar_t* text;
        const wchar_t* caption;
    } cases[] = {
        {Language::English, L"To redisplay the button, close the setting dialog once.", L"Nuvela"},
        {Language::Japanese, L"ボタンを再表示する場合は、設定ダイアログを一度閉じて下さい。", L"ヌベラ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        SetLanguage(c.language);
        recorder_->Clear();
        ProcessingOptions.SHOW_FLOATING = true;
        DriveButton([&](HWND button) {
            SettingsDialogScripts settings({[&](HWND dialog) {
                ASSERT_TRUE(Checked(dialog, IDC_SHOW_FLOATING));
                ASSERT_TRUE(Enabled(dialog, IDC_SETTINGS_OPACITY));
                SendMessageW(button, WM_COMMAND, IDCANCEL, 0);
                EXPECT_FALSE(ProcessingOptions.SHOW_FLOATING);
                EXPECT_FALSE(Checked(dialog, IDC_SHOW_FLOATING));
                EXPECT_FALSE(Enabled(dialog, IDC_SHOW_FLOATING));
                for (int id : {IDC_SETTINGS_OPACITY, IDC_SETTINGS_MOUSEOVER_OPACITY, IDC_SETTINGS_CONFIRM_CLOSE})
                    EXPECT_FALSE(Enabled(dialog, id)) << id;
                ASSERT_EQ(recorder_->boxes.size(), 1u);
                EXPECT_EQ(recorder_->boxes[0].owner, window_);
                EXPECT_EQ(recorder_->boxes[0].text, c.text);
                EXPECT_EQ(recorder_->boxes[0].caption, c.caption);
                EXPECT_EQ(recorder_->boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
                Confirm(dialog);
            }});
            RunCommand(window_, IDM_SETTINGS);
            EXPECT_EQ(settings.played(), 1u);
            EXPECT_FALSE(IsWindowVisible(button));
        });
        EXPECT_FALSE(ProcessingOptions.SHOW_FLOATING) << "OK kept the button off";
        EXPECT_EQ(IniInteger(L"SHOW_FLOATING"), 0);
        EXPECT_FALSE(DialogBusy);
    }
}

// While the close question shows, its own message loop runs: another close request meanwhile (a
// second click on the close box) is dropped, and the one answer decides.
TEST_F(FloatingButtonTest, SecondCloseRequestWhileTheQuestionShowsIsIgnored) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.CHKCLOSE_FLOATING = true;
    for (const int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer == IDYES ? "yes" : "no");
        recorder_->Clear();
        ProcessingOptions.SHOW_FLOATING = true;
        recorder_->boxAnswer = answer;
        DriveButton([&](HWND button) {
            int shown = 0;
            recorder_->onBox = [&](const test_support::RecordedBox&) {
                if (++shown > 1) return;  // a broken guard would ask again, and again
                SendMessageW(button, WM_COMMAND, IDCANCEL, 0);
                EXPECT_TRUE(ProcessingOptions.SHOW_FLOATING) << "not closed by the second request";
                EXPECT_TRUE(IsWindowVisible(button));
            };
            SendMessageW(button, WM_COMMAND, IDCANCEL, 0);
            recorder_->onBox = nullptr;
            EXPECT_EQ(recorder_->boxes.size(), 1u) << "one question only";
            EXPECT_EQ(IsWindowVisible(button) != FALSE, answer == IDNO);
            EXPECT_EQ(ProcessingOptions.SHOW_FLOATING, answer == IDNO);
            if (answer == IDNO) {  // asked again once the first question is gone
                SendMessageW(button, WM_COMMAND, IDCANCEL, 0);
                EXPECT_EQ(recorder_->boxes.size(), 2u);
            }
        });
    }
}

TEST_F(FloatingButtonTest, DoubleAndMiddleClicksActAsOnTheTrayIcon) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    DriveButton([&](HWND button) {
        HWND push = GetDlgItem(button, IDM_PROCESS_NOW);
        SendMessageW(push, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_TRUE(ProcessingOptions.CBWatchEnabled) << "monitoring switched on";
        SendMessageW(push, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_FALSE(ProcessingOptions.CBWatchEnabled) << "and off again";

        CopyText(helper_, L"text");
        ASSERT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
        SendMessageW(push, WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
        EXPECT_EQ(CountClipboardFormats(), 0) << "the clipboard emptied";
    });
}

TEST_F(FloatingButtonTest, ClickProcessesTheClipboardAndFlashesTheIcon) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.DelSpace = true;
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"a b c");
    DriveButton([&](HWND button) {
        const unsigned before = ClipboardProcessingCount();
        SendDlgItemMessageW(button, IDM_PROCESS_NOW, BM_CLICK, 0, 0);
        EXPECT_EQ(ClipboardProcessingCount(), before + 1);
        EXPECT_EQ(ClipboardText(), L"abc");
        EXPECT_EQ(GetClipboardOwner(), window_);
        EXPECT_EQ(ButtonImage(button), FloatingButtonImage(true));
        EXPECT_EQ(PreviewText(), L"abc") << "refreshed at the end of the run";
        EXPECT_TRUE(PumpUntil([&] { return ButtonImage(button) == FloatingButtonImage(false); }));
    });
}

// The click activates the button; the program the user worked in gets the foreground back.
TEST_F(FloatingButtonTest, ClickGivesTheForegroundBackAfterwards) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    const UniqueWindow worked(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                              ProgramInstance, nullptr));
    CopyText(helper_, L"text");
    DriveButton([&](HWND button) {
        SetForegroundWindow(worked.get());
        ASSERT_EQ(GetForegroundWindow(), worked.get());
        HoverTick(button);  // remembers the foreground window other than the button
        SetForegroundWindow(button);
        ASSERT_EQ(GetForegroundWindow(), button);
        SendDlgItemMessageW(button, IDM_PROCESS_NOW, BM_CLICK, 0, 0);
        EXPECT_EQ(GetClipboardOwner(), window_) << "processed at once";
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == worked.get(); }));
    });
}

TEST_F(FloatingButtonTest, FlashMessageShowsTheFlashImageUntilItsTimer) {
    ASSERT_TRUE(CreateWindowUnderTest());
    DriveButton([&](HWND button) {
        SendMessageW(button, WM_APP_TRAY, 0, 0);
        EXPECT_EQ(ButtonImage(button), FloatingButtonImage(true));
        EXPECT_TRUE(PumpUntil([&] { return ButtonImage(button) == FloatingButtonImage(false); }));
    });
}

TEST_F(FloatingButtonTest, PreviewShowsEveryCopyAndTheProcessedResult) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.DelSpace = true;
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"at opening");
    DriveButton([&](HWND) {
        EXPECT_EQ(PreviewText(), L"at opening");
        CopyText(helper_, L"not processed");
        EXPECT_TRUE(PumpUntil([] { return PreviewText() == L"not processed"; })) << PreviewText();
        ProcessingOptions.CBWatchEnabled = true;
        CopyText(helper_, L"x y z");
        EXPECT_TRUE(PumpUntil([] { return PreviewText() == L"xyz"; })) << PreviewText();
    });
}

// Wine does not change the DPI while a program runs: the message is sent as Windows would send it
// when the button is dragged to a monitor at twice the DPI, and back.
TEST_F(FloatingButtonTest, DpiChangeTakesTheSuggestedRectangleAndRescalesEverythingThereAndBack) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.WIDTH_FLOATING = 300;
    ProcessingOptions.HEIGHT_FLOATING = 110;
    DriveButton([&](HWND button) {
        const int dpi = static_cast<int>(DpiOf(button));
        HWND process = GetDlgItem(button, IDM_PROCESS_NOW);
        const RECT frame = FrameOf(button), processBefore = FrameOf(process);
        // the rich edit preview does not answer WM_GETFONT: the button tells the font both were given
        const int fontBefore = test_support::FontHeightOf(process), iconBefore = test_support::IconWidth(ButtonImage(button));
        ASSERT_LT(fontBefore, 0);
        MINMAXINFO limitsBefore = {};
        SendMessageW(button, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limitsBefore));

        RECT suggested = {40, 30, 40 + 2 * Width(frame), 30 + 2 * Height(frame)};
        SendMessageW(button, WM_DPICHANGED, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&suggested));
        const RECT now = FrameOf(button);
        EXPECT_EQ(now.left, suggested.left);
        EXPECT_EQ(now.top, suggested.top);
        EXPECT_EQ(Width(now), Width(suggested));
        EXPECT_EQ(Height(now), Height(suggested));
        EXPECT_EQ(test_support::FontHeightOf(process), 2 * fontBefore);
        EXPECT_EQ(Width(FrameOf(process)), 2 * Width(processBefore));
        EXPECT_EQ(Height(FrameOf(process)), 2 * Height(processBefore));
        RECT client = {};
        GetClientRect(button, &client);
        EXPECT_EQ(Width(FrameOf(FloatingPreview)), client.right - Width(FrameOf(process))) << "the rest is preview";
        EXPECT_EQ(test_support::IconWidth(ButtonImage(button)), 2 * iconBefore);
        RECT inside = {};
        GetClientRect(process, &inside);
        EXPECT_LT(test_support::IconWidth(ButtonImage(button)), std::min(inside.right, inside.bottom)) << "the icon whole";
        MINMAXINFO limits = {};
        SendMessageW(button, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        EXPECT_EQ(limits.ptMinTrackSize.x, 2 * limitsBefore.ptMinTrackSize.x);
        EXPECT_EQ(limits.ptMinTrackSize.y, 2 * limitsBefore.ptMinTrackSize.y);

        // Back, and once more to 1.5 times the DPI and back: the button is then the one made at
        // that DPI, its text not shrunk by each change.
        for (const int higher : {0, dpi * 3 / 2}) {
            if (higher != 0) {
                RECT there = {frame.left, frame.top, frame.left + MulDiv(Width(frame), 3, 2),
                              frame.top + MulDiv(Height(frame), 3, 2)};
                SendMessageW(button, WM_DPICHANGED, MAKEWPARAM(higher, higher), reinterpret_cast<LPARAM>(&there));
                EXPECT_EQ(test_support::FontHeightOf(process), MulDiv(fontBefore, 3, 2));
            }
            RECT back = frame;
            SendMessageW(button, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&back));
            SCOPED_TRACE(higher);
            EXPECT_EQ(test_support::FontHeightOf(process), fontBefore);
            EXPECT_EQ(Width(FrameOf(process)), Width(processBefore));
            EXPECT_EQ(Height(FrameOf(process)), Height(processBefore));
            EXPECT_EQ(test_support::IconWidth(ButtonImage(button)), iconBefore);
            MINMAXINFO limitsBack = {};
            SendMessageW(button, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limitsBack));
            EXPECT_EQ(limitsBack.ptMinTrackSize.x, limitsBefore.ptMinTrackSize.x);
            EXPECT_EQ(limitsBack.ptMinTrackSize.y, limitsBefore.ptMinTrackSize.y);
        }
    });
    EXPECT_EQ(ProcessingOptions.WIDTH_FLOATING, 300) << "what the user stored keeps its 96-DPI meaning";
    EXPECT_EQ(ProcessingOptions.HEIGHT_FLOATING, 110);
}

TEST_F(FloatingButtonTest, DestructionStoresPlaceAndSizeAndSaves) {
    ASSERT_TRUE(CreateWindowUnderTest());
    const OpeningShape opening = TemplateOpeningShape();
    // The size the user drags the button to, in the 96-DPI units it is stored in.
    const UINT dpi = DpiOf(window_);
    const int width = MulDiv(opening.smallestWidth(), kBaseDpi, static_cast<int>(dpi)) + 60;
    const int height = MulDiv(Height(opening.frame), kBaseDpi, static_cast<int>(dpi)) + 10;
    DriveButton([&](HWND button) {
        ASSERT_EQ(DpiOf(button), dpi);
        SetWindowPos(button, nullptr, 100, 120, ScaleForDpi(width, dpi), ScaleForDpi(height, dpi), SWP_NOZORDER);
    });
    EXPECT_EQ(ProcessingOptions.LEFT_FLOATING, 100);
    EXPECT_EQ(ProcessingOptions.TOP_FLOATING, 120);
    EXPECT_EQ(ProcessingOptions.WIDTH_FLOATING, width);
    EXPECT_EQ(ProcessingOptions.HEIGHT_FLOATING, height);
    EXPECT_EQ(IniInteger(L"LEFT_FLOATING"), 100);
    EXPECT_EQ(IniInteger(L"TOP_FLOATING"), 120);
    EXPECT_EQ(IniInteger(L"WIDTH_FLOATING"), width);
    EXPECT_EQ(IniInteger(L"HEIGHT_FLOATING"), height);
    EXPECT_TRUE(ProcessingOptions.SHOW_FLOATING) << "closed by the program, not by the user";
}

void CloseMenu(HWND menuWindow) { PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0); }

// The tray menu opens where the button was right-clicked, or at its centre when the request came
// from the keyboard (no point); the button is brought to the top first. The button sits in the
// work area's lower right corner, where the menu has room above and to the left of its point even
// at 150 % on a small screen (elsewhere the system would push it back onto the screen).
TEST_F(FloatingButtonTest, ContextMenuOpensTheTrayMenuAtTheClickOrTheCentre) {
    ASSERT_TRUE(CreateWindowUnderTest());
    RECT workArea = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    for (const bool fromKeyboard : {false, true}) {
        SCOPED_TRACE(fromKeyboard ? "keyboard" : "mouse");
        DriveButton([&](HWND button) {
            const RECT opened = FrameOf(button);
            SetWindowPos(button, nullptr, workArea.right - Width(opened), workArea.bottom - Height(opened), 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            const RECT frame = FrameOf(button);
            const POINT click = {frame.left + 5, frame.top + 5};
            const LPARAM position = fromKeyboard ? -1 : MAKELPARAM(click.x, click.y);
            MenuWatcher watcher(CloseMenu);
            SendMessageW(button, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(button), position);
            ASSERT_TRUE(watcher.seen());
            // The menu's lower right corner is at its point.
            EXPECT_EQ(watcher.rect().right, fromKeyboard ? (frame.left + frame.right) / 2 : click.x);
            EXPECT_EQ(watcher.rect().bottom, fromKeyboard ? (frame.top + frame.bottom) / 2 : click.y);
            EXPECT_TRUE(IsWindowVisible(button));
            EXPECT_TRUE(GetWindowLongPtrW(button, GWL_EXSTYLE) & WS_EX_TOPMOST) << "still in the topmost band";
        });
    }
}

// A right click on the tray icon while the button is wanted but closed brings it back first; the
// menu follows once it is closed again.
TEST_F(FloatingButtonTest, TrayMenuOpensTheWantedButtonFirst) {
    ASSERT_TRUE(CreateWindowUnderTest());
    bool menuBeforeButton = true;
    MenuWatcher watcher(CloseMenu);
    Drive([&] { SendMessageW(window_, WM_APP_TRAY, MAKEWPARAM(300, 300), WM_CONTEXTMENU); },
          [&](HWND) { menuBeforeButton = watcher.seen(); });
    EXPECT_FALSE(menuBeforeButton);
    EXPECT_TRUE(watcher.seen()) << "the menu once the button closed";
}

// The settings dialog is recorded through the dialog seam; the floating button itself runs for real.
constexpr int kSettingsTemplateJa = 138;
constexpr int kSettingsTemplateEn = 139;
constexpr int kAboutStandIn = 9001;

std::vector<int> openedTemplates;
ModalDialogRunner realRunner = nullptr;
bool settingsWantButton = true;

INT_PTR RecordDialogsButRunTheButton(HWND owner, int templateId, DLGPROC procedure, LPARAM parameter) {
    if (templateId == IDD_FLOATING) return realRunner(owner, templateId, procedure, parameter);
    openedTemplates.push_back(templateId);
    return templateId == kSettingsTemplateEn ? IDOK : IDCANCEL;
}

bool RecordedSettings(HWND owner) {
    ProcessingOptions.SHOW_FLOATING = settingsWantButton;
    return RunModalDialog(owner, kSettingsTemplateJa, kSettingsTemplateEn, nullptr) == IDOK;
}

bool RecordedAbout(HWND owner) { return RunModalDialog(owner, kAboutStandIn, kAboutStandIn, nullptr) == IDOK; }

class FloatingReapplyTest : public FloatingButtonTest {
protected:
    void SetUp() override {
        FloatingButtonTest::SetUp();
        openedTemplates.clear();
        settingsWantButton = true;
        MenuDialogSet dialogs;
        dialogs.settings = RecordedSettings;
        dialogs.regex = RunRegexDialog;
        dialogs.multiply = RunMultiplyDialog;
        dialogs.about = RecordedAbout;
        SetMenuDialogs(dialogs);
        realRunner = SetModalDialogRunner(RecordDialogsButRunTheButton);
        ProcessingOptions.SHOW_FLOATING = false;
    }
};

TEST_F(FloatingReapplyTest, MenuDialogsStillOpenWhileTheButtonShows) {
    ASSERT_TRUE(CreateWindowUnderTest());
    Drive([&] { RunCommand(window_, IDM_SETTINGS); }, [&](HWND) {
        EXPECT_FALSE(DialogBusy);
        for (UINT command : {IDM_SETTINGS, IDM_REGEX, IDM_MULTIPLY, IDM_ABOUT}) RunCommand(window_, command);
        EXPECT_EQ(openedTemplates,
                  (std::vector<int>{kSettingsTemplateEn, kSettingsTemplateEn, IDD_REGEX_EN, IDD_MULTIPLY_EN, kAboutStandIn}));
    });
    EXPECT_FALSE(DialogBusy);
    EXPECT_EQ(IniInteger(L"SHOW_FLOATING"), 1);
}

TEST_F(FloatingReapplyTest, SettingsSetTheOpacityOrCloseTheButton) {
    ASSERT_TRUE(CreateWindowUnderTest());
    Drive([&] { RunCommand(window_, IDM_SETTINGS); }, [&](HWND button) {
        ProcessingOptions.ALPHA_FLOATING = 60;
        RunCommand(window_, IDM_SETTINGS);
        EXPECT_EQ(AlphaOf(button), 60) << "the stored opacity applied at once";
        settingsWantButton = false;
        RunCommand(window_, IDM_SETTINGS);
        EXPECT_FALSE(IsWindowVisible(button)) << "switched off in the settings";
    });
    EXPECT_EQ(openedTemplates.size(), 3u);
}

TEST_F(FloatingReapplyTest, TheMainWindowsEndClosesTheButton) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.SHOW_FLOATING = true;
    Drive(OpenFloatingButton, [&](HWND button) {
        SendMessageW(window_, WM_DESTROY, 0, 0);  // as a second start's "/X" ends the program
        EXPECT_FALSE(IsWindowVisible(button));
    });
    EXPECT_TRUE(ProcessingOptions.SHOW_FLOATING) << "wanted again at the next start";
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit message is still there";
}

// Settings confirmed with the button switched on open it inside the menu command; meanwhile the
// settings dialog opens again from the menu, and whatever it decides unwinds cleanly.
TEST_F(FloatingButtonTest, SettingsOpenAgainFromTheMenuWhileTheButtonShows) {
    ASSERT_TRUE(CreateWindowUnderTest());
    for (const bool keepButton : {true, false}) {
        SCOPED_TRACE(keepButton ? "button kept" : "button switched off");
        ProcessingOptions.SHOW_FLOATING = false;
        ProcessingOptions.ALPHA_FLOATING = 255;
        bool secondOpened = false;
        SettingsDialogScripts settings({
            [](HWND dialog) {
                ASSERT_FALSE(Checked(dialog, IDC_SHOW_FLOATING));
                Click(dialog, IDC_SHOW_FLOATING);
                MoveTrackbar(dialog, IDC_SETTINGS_OPACITY, 180);
                Confirm(dialog);
            },
            [&](HWND dialog) {
                secondOpened = true;
                EXPECT_TRUE(DialogBusy);
                EXPECT_TRUE(Checked(dialog, IDC_SHOW_FLOATING));
                if (!keepButton) Click(dialog, IDC_SHOW_FLOATING);
                Confirm(dialog);
            },
        });
        Drive([&] { RunCommand(window_, IDM_SETTINGS); }, [&](HWND button) {
            EXPECT_FALSE(DialogBusy);
            EXPECT_EQ(AlphaOf(button), 180);
            RunCommand(window_, IDM_SETTINGS);  // as the tray menu runs its choice
            EXPECT_TRUE(secondOpened);
            EXPECT_FALSE(DialogBusy);
            EXPECT_EQ(ProcessingOptions.SHOW_FLOATING, keepButton);
            EXPECT_EQ(FloatingWindow, button) << "the button's own loop ends only after this";
            EXPECT_EQ(IsWindowVisible(button) != FALSE, keepButton);
        });
        EXPECT_EQ(settings.played(), 2u);
        EXPECT_FALSE(DialogBusy);
        EXPECT_EQ(IniInteger(L"SHOW_FLOATING"), keepButton ? 1 : 0);
    }
}

}  // namespace
}  // namespace shell_test
