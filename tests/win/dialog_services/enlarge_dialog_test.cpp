#include <gtest/gtest.h>

#include <windows.h>

#include "enlarge_dialog.h"
#include "host_window.h"

namespace dialog_services_test {
namespace {

LOGFONTW LogFontOf(HFONT font) {
    LOGFONTW logFont = {};
    GetObjectW(font, sizeof logFont, &logFont);
    return logFont;
}

class EnlargeDialogTest : public testing::Test {
protected:
    void TearDown() override { UndoEnlargeDialog(state_); }
    static HGDIOBJ MakeFont(int height) {
        return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    }
    EnlargeState state_;
    UniqueGdiObject smallFont_{MakeFont(-12)}, largeFont_{MakeFont(-20)};  // outlive the host
    HostWindow host_{{0, 0, 200, 100}};
    // Two buttons with different fonts, and a panel whose own child has the second font.
    HWND first_ = host_.AddChild(101, L"BUTTON", {10, 20, 60, 30});
    HWND second_ = host_.AddChild(102, L"BUTTON", {80, 20, 60, 30});
    HWND panel_ = host_.AddChild(103, L"STATIC", {10, 60, 100, 30});
    HWND inner_ = host_.AddChild(104, L"BUTTON", {5, 5, 40, 10}, panel_);
    void SetUp() override {
        SendMessageW(first_, WM_SETFONT, reinterpret_cast<WPARAM>(smallFont_.get()), FALSE);
        for (HWND control : {second_, inner_})
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(largeFont_.get()), FALSE);
    }
};

TEST_F(EnlargeDialogTest, FillsTheWorkAreaHeightAndSitsInTheLowerRightCorner) {
    HostWindow host({100, 50, 400, 300});
    ASSERT_TRUE(EnlargeDialogInWorkArea(state_, host.get(), PlaceLowerRight, {0, 0, 1920, 1040}));
    EXPECT_EQ(state_.dialog, host.get());
    EXPECT_NEAR(state_.scale, 3.4667, 0.0001);
    EXPECT_EQ(ScreenBox(host.get()), (Box{534, 0, 1386, 1040}));
}

TEST_F(EnlargeDialogTest, PlacesTheDialogInTheWorkAreaOrLeavesItWhereItWas) {
    // A wide dialog fills the work area's height, a tall one its width; both end 407 pixels long.
    const Box wide = {7, 9, 163, 128}, tall = {7, 9, 128, 163};
    const RECT wideArea = {100, 50, 1101, 370}, tallArea = {100, 50, 420, 1051};
    const struct Case {
        Box before;
        RECT workArea;
        int placement;
        Box after;
    } cases[] = {
        {wide, wideArea, PlaceUpperLeft, {100, 50, 407, 320}},  {wide, wideArea, PlaceUpperRight, {694, 50, 407, 320}},
        {wide, wideArea, PlaceLowerLeft, {100, 50, 407, 320}},  {wide, wideArea, PlaceLowerRight, {694, 50, 407, 320}},
        {wide, wideArea, PlaceCentre, {397, 50, 407, 320}},     {wide, wideArea, 4, {7, 9, 407, 320}},
        {tall, tallArea, PlaceUpperLeft, {100, 50, 320, 407}},  {tall, tallArea, PlaceUpperRight, {100, 50, 320, 407}},
        {tall, tallArea, PlaceLowerLeft, {100, 644, 320, 407}}, {tall, tallArea, PlaceLowerRight, {100, 644, 320, 407}},
        {tall, tallArea, PlaceCentre, {100, 347, 320, 407}},    {tall, tallArea, -1, {7, 9, 320, 407}},
    };
    for (const Case& c : cases) {
        HostWindow host(c.before);
        EnlargeState state;
        ASSERT_TRUE(EnlargeDialogInWorkArea(state, host.get(), c.placement, c.workArea));
        EXPECT_EQ(ScreenBox(host.get()), c.after) << "placement " << c.placement;
    }
}

TEST_F(EnlargeDialogTest, DirectChildrenGrowWithABoldFontFromTheFirstChildUntilUndone) {
    ASSERT_TRUE(EnlargeDialogInWorkArea(state_, host_.get(), PlaceUpperLeft, {0, 0, 400, 200}));
    EXPECT_EQ(state_.scale, 2.0);
    EXPECT_EQ(BoxInParent(first_), (Box{20, 40, 120, 60}));
    EXPECT_EQ(BoxInParent(second_), (Box{160, 40, 120, 60}));
    EXPECT_EQ(BoxInParent(panel_), (Box{20, 120, 200, 60}));
    EXPECT_EQ(BoxInParent(inner_), (Box{5, 5, 40, 10}));  // grandchildren follow their own parent
    ASSERT_TRUE(state_.createdFont);
    EXPECT_EQ(state_.previousFont, smallFont_.get());
    for (HWND child : {first_, second_, panel_}) EXPECT_EQ(FontOf(child), state_.createdFont.get());
    EXPECT_EQ(FontOf(inner_), largeFont_.get());
    EXPECT_EQ(LogFontOf(FontOf(second_)).lfHeight, -24);
    EXPECT_EQ(LogFontOf(FontOf(second_)).lfWeight, 600);

    const HGDIOBJ created = state_.createdFont.get();
    UndoEnlargeDialog(state_);
    for (HWND window : {first_, second_, panel_, inner_}) EXPECT_EQ(FontOf(window), smallFont_.get());
    EXPECT_EQ(GetObjectType(created), 0u);  // deleted
    EXPECT_EQ(state_.dialog, nullptr);
    EXPECT_EQ(state_.previousFont, nullptr);
    EXPECT_FALSE(state_.createdFont);
    EXPECT_EQ(state_.scale, 0.0);
}

TEST_F(EnlargeDialogTest, ASmallerWorkAreaShrinksTheDialogWithANormalWeightFont) {
    ASSERT_TRUE(EnlargeDialogInWorkArea(state_, host_.get(), PlaceUpperLeft, {0, 0, 100, 100}));
    EXPECT_EQ(state_.scale, 0.5);
    EXPECT_EQ(ScreenBox(host_.get()), (Box{0, 0, 100, 50}));
    EXPECT_EQ(BoxInParent(first_), (Box{5, 10, 30, 15}));
    EXPECT_EQ(LogFontOf(FontOf(second_)).lfHeight, -6);
    EXPECT_EQ(LogFontOf(FontOf(second_)).lfWeight, FW_NORMAL);
}

TEST_F(EnlargeDialogTest, UsesTheWorkAreaOfTheDialogsMonitorAndRefusesAClosedWindow) {
    ASSERT_TRUE(EnlargeDialog(state_, host_.get(), PlaceLowerRight));
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(host_.get(), MONITOR_DEFAULTTONEAREST), &monitor));
    const RECT area = monitor.rcWork;
    const Box box = ScreenBox(host_.get());
    EXPECT_EQ(box.x + box.width, area.right);
    EXPECT_EQ(box.y + box.height, area.bottom);
    EXPECT_TRUE(box.width == area.right - area.left || box.height == area.bottom - area.top);

    EnlargeState closed;
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    EXPECT_FALSE(EnlargeDialog(closed, gone, PlaceLowerRight));
    EXPECT_EQ(closed.dialog, nullptr);
}

}  // namespace
}  // namespace dialog_services_test
