#include <gtest/gtest.h>

#include <vector>
#include <windows.h>

#include "anchor_layout.h"
#include "host_window.h"

namespace dialog_services_test {
namespace {

void Resize(HWND window, int width, int height) {
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<HWND> ChildOrder(HWND window) {
    std::vector<HWND> order;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) order.push_back(child);
    return order;
}

class AnchorLayoutTest : public testing::Test {
protected:
    AnchorLayoutTest() { host_.layout = &layout_; }
    AnchorLayout layout_;
    HostWindow host_{{0, 0, 400, 300}};  // no frame: the client area is the whole window
};

TEST_F(AnchorLayoutTest, EachKindFollowsTheWindowFromItsRecordedDistances) {
    struct Case {
        int id;
        AnchorKind kind;
        Box before, after;  // after growing the window by 100 x 50
    };
    const Case cases[] = {
        {101, AnchorRight, {300, 10, 80, 20}, {400, 10, 80, 20}},
        {102, AnchorBottom, {10, 250, 80, 20}, {10, 300, 80, 20}},
        {103, AnchorRightBottom, {300, 250, 80, 20}, {400, 300, 80, 20}},
        {104, AnchorStretchWidth, {10, 40, 380, 20}, {10, 40, 480, 20}},
        {105, AnchorStretchBoth, {10, 70, 380, 170}, {10, 70, 480, 220}},
        {106, AnchorBottomStretchWidth, {10, 270, 380, 20}, {10, 320, 480, 20}},
        {107, AnchorRight, {300, 100, 80, 20}, {300, 100, 80, 20}},  // listed after the end mark
    };
    std::vector<AnchorEntry> table;
    for (const Case& c : cases) {
        host_.AddChild(c.id, L"BUTTON", c.before);
        if (c.id == 107) table.push_back({0, AnchorRight});
        table.push_back({c.id, c.kind});
    }
    table.insert(table.begin(), {199, AnchorStretchBoth});  // no such control
    ASSERT_TRUE(layout_.Setup(host_.get(), table));
    const std::vector<HWND> order = ChildOrder(host_.get());

    Resize(host_.get(), 500, 350);
    for (const Case& c : cases) EXPECT_EQ(BoxInParent(GetDlgItem(host_.get(), c.id)), c.after) << "control " << c.id;
    EXPECT_EQ(ChildOrder(host_.get()), order);

    Resize(host_.get(), 400, 300);
    for (const Case& c : cases) EXPECT_EQ(BoxInParent(GetDlgItem(host_.get(), c.id)), c.before) << "control " << c.id;
}

TEST_F(AnchorLayoutTest, StretchingADropDownComboBoxKeepsItsListHeight) {
    HWND combo = host_.AddChild(110, L"COMBOBOX", {10, 100, 200, 150}, nullptr, CBS_DROPDOWN | WS_VSCROLL);
    const AnchorEntry table[] = {{110, AnchorStretchWidth}};
    RECT list = {};
    SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&list));
    const Box before = BoxInParent(combo);
    ASSERT_TRUE(layout_.Setup(host_.get(), table));

    Resize(host_.get(), 500, 350);
    EXPECT_EQ(BoxInParent(combo), (Box{before.x, before.y, before.width + 100, before.height}));
    RECT stretchedList = {};
    SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&stretchedList));
    EXPECT_EQ(stretchedList.bottom - stretchedList.top, list.bottom - list.top);
}

TEST_F(AnchorLayoutTest, LimitsReplaceOnlyTheComponentsThatAreSet) {
    ASSERT_TRUE(layout_.Setup(host_.get(), {}));
    EXPECT_EQ(layout_.openingWidth, 400);
    EXPECT_EQ(layout_.openingHeight, 300);
    layout_.maxTrackWidth = 900;
    MINMAXINFO info = {};
    info.ptMinTrackSize = {1, 2};
    info.ptMaxTrackSize = {3, 4};
    layout_.Limits(info);
    EXPECT_EQ(info.ptMinTrackSize.x, 400);
    EXPECT_EQ(info.ptMinTrackSize.y, 300);
    EXPECT_EQ(info.ptMaxTrackSize.x, 900);
    EXPECT_EQ(info.ptMaxTrackSize.y, 4);
    EXPECT_FALSE(layout_.Setup(nullptr, {}));
}

}  // namespace
}  // namespace dialog_services_test
