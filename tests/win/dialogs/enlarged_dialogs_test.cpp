#include <gtest/gtest.h>

#include <windows.h>

#include "dialog_fixture.h"
#include "enlarge_dialog.h"
#include "hotkey_dialog.h"
#include "multiply_dialog.h"
#include "options.h"
#include "regex_dialog.h"
#include "resource.h"

namespace dialog_test {
namespace {

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

HFONT FontOf(HWND dialog, int id) { return reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, id, WM_GETFONT, 0, 0)); }

using EnlargedDialogTest = DialogTest;

// With the enlarged-dialog option the dialog opens scaled up to the work area, in its lower right
// corner, with a font of its own, and the close gives that back. The regular-expression dialog then
// takes its size limits from the enlarged size.
TEST_F(EnlargedDialogTest, MenuDialogsOpenEnlargedAndAreUndoneAtTheClose) {
    const struct {
        const char* name;
        bool (*open)(HWND owner);
        EnlargeState* state;
        int control;
        bool limitsFromEnlargedSize;
    } cases[] = {
        {"hotkey", RunHotkeyDialog, &HotkeyEnlargeState, IDC_HOTKEY1_KEY, false},
        {"regex", RunRegexDialog, &RegexEnlargeState, IDC_REGEX_BEFORE, true},
        {"multiply", RunMultiplyDialog, &MultiplyEnlargeState, IDC_MULTIPLY_FACTOR, false},
    };
    RECT workArea = {};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto open = [&] { return c.open(nullptr); };
        ProcessingOptions.BIGDIALOG = false;
        RECT normal = {};
        HFONT normalFont = nullptr;
        Drive(open, [&](HWND dialog) {
            normal = WindowRect(dialog);
            normalFont = FontOf(dialog, c.control);
            EXPECT_EQ(c.state->scale, 0);
            Press(dialog, IDCANCEL);
        });
        ProcessingOptions.BIGDIALOG = true;
        Drive(open, [&](HWND dialog) {
            EXPECT_EQ(c.state->dialog, dialog);
            const double scale = c.state->scale;
            EXPECT_GT(scale, 1.0);
            const RECT rect = WindowRect(dialog);
            const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
            EXPECT_EQ(width, static_cast<LONG>((normal.right - normal.left) * scale));
            EXPECT_EQ(height, static_cast<LONG>((normal.bottom - normal.top) * scale));
            EXPECT_TRUE(width >= workArea.right - workArea.left - 1 || height >= workArea.bottom - workArea.top - 1)
                << "fills the work area one way";
            EXPECT_EQ(rect.right, workArea.right);
            EXPECT_EQ(rect.bottom, workArea.bottom);
            EXPECT_NE(FontOf(dialog, c.control), normalFont);
            if (c.limitsFromEnlargedSize) {
                SetWindowPos(dialog, nullptr, 0, 0, width - 50, height + 30, SWP_NOMOVE | SWP_NOZORDER);
                const RECT limited = WindowRect(dialog);
                EXPECT_EQ(limited.right - limited.left, width) << "never narrower than enlarged";
                EXPECT_EQ(limited.bottom - limited.top, height) << "and as high";
            }
            Press(dialog, IDCANCEL);
        });
        EXPECT_EQ(c.state->scale, 0);
        EXPECT_EQ(c.state->dialog, nullptr);
        EXPECT_FALSE(c.state->createdFont) << "the enlarged font is given back";
    }
}

}  // namespace
}  // namespace dialog_test
