// Every text of the dialog templates fits its control in the font the dialog gets here, so no
// label, check box or group caption is cut off.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include <commctrl.h>

#include "resource.h"

namespace dialog_test {
namespace {

INT_PTR CALLBACK InertDlgProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::wstring TextOf(HWND control) {
    std::wstring text(GetWindowTextLengthW(control) + 1, L'\0');
    text.resize(GetWindowTextW(control, text.data(), static_cast<int>(text.size())));
    return text;
}

std::wstring ClassOf(HWND control) {
    wchar_t name[32] = {};
    GetClassNameW(control, name, 32);
    return name;
}

// The size DrawText needs for the text in the control's font, wrapped at `width` when `wrap`.
SIZE NeededSize(HWND control, const std::wstring& text, int width, bool wrap) {
    HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT rect = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &rect, DT_CALCRECT | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// What of a check box's or radio button's width the box and the gap after it take.
int BoxAllowance(HWND control) {
    HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    int zero = 0;
    GetCharWidth32W(dc, L'0', L'0', &zero);
    const int box = MulDiv(13, GetDeviceCaps(dc, LOGPIXELSX), 96);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return box + zero / 2;
}

// A description of each control whose text does not fit, empty when all fit.
std::vector<std::wstring> CutTexts(HWND dialog) {
    std::vector<std::wstring> cut;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::wstring text = TextOf(child);
        if (text.empty()) continue;
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        RECT client = {};
        GetClientRect(child, &client);
        const int width = client.right, height = client.bottom;
        const std::wstring className = ClassOf(child);
        bool fits = true;
        if (lstrcmpiW(className.c_str(), L"Static") == 0) {
            const LONG kind = style & SS_TYPEMASK;
            if (kind != SS_LEFT && kind != SS_RIGHT && kind != SS_CENTER) continue;
            const SIZE needed = NeededSize(child, text, width, true);
            fits = needed.cx <= width && needed.cy <= height;
        } else if (lstrcmpiW(className.c_str(), L"Button") == 0) {
            const LONG kind = style & BS_TYPEMASK;
            if (kind == BS_GROUPBOX) {
                // the caption starts and ends a character's width in from the frame
                const int inset = NeededSize(child, L"0", width, false).cx;
                fits = NeededSize(child, text, width, false).cx + 2 * inset <= width;
            } else if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
                       kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE) {
                const int room = width - BoxAllowance(child);
                const SIZE needed = NeededSize(child, text, room, (style & BS_MULTILINE) != 0);
                fits = needed.cx <= room && needed.cy <= height;
            } else {
                fits = NeededSize(child, text, width, false).cx < width;
            }
        } else {
            continue;
        }
        if (!fits) cut.push_back(std::to_wstring(GetDlgCtrlID(child)) + L" \"" + text + L"\"");
    }
    return cut;
}

TEST(DialogTexts, EveryTemplateTextFitsItsControl) {
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};  // the settings' trackbars
    InitCommonControlsEx(&classes);
    for (int templateId : {IDD_ALREADY_RUNNING_JA, IDD_ALREADY_RUNNING_EN, IDD_OPENING, IDD_HOTKEYS_JA, IDD_HOTKEYS_EN,
                           IDD_REGEX_JA, IDD_REGEX_EN, IDD_SETTINGS_JA, IDD_SETTINGS_EN, IDD_MULTIPLY_JA,
                           IDD_MULTIPLY_EN}) {
        HWND dialog =
            CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, InertDlgProc, 0);
        ASSERT_TRUE(dialog) << templateId;
        const auto cut = CutTexts(dialog);
        DestroyWindow(dialog);
        std::wstring list;
        for (const auto& entry : cut) list += L"\n  " + entry;
        EXPECT_TRUE(cut.empty()) << "template " << templateId << ":" << list;
    }
}

}  // namespace
}  // namespace dialog_test
