// Every text of the dialog templates shows whole in the font the dialog gets here: it fits its
// control, so no label, check box or group caption is cut off, and no character of it draws as the
// empty box of a glyph that neither the font nor a font linked to it has; and every trackbar's thumb
// shows whole. The About box, built in memory, is checked as the program opens it. scripts/test.sh runs
// these checks once more at 120, 144 and 192 DPI, in a Wine prefix of each DPI.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <functional>
#include <set>
#include <string>
#include <vector>
#include <windows.h>

#include <commctrl.h>

#include "about_dialog.h"
#include "dialog_fixture.h"
#include "dialog_pictures.h"
#include "language.h"
#include "product_facts.h"
#include "resource.h"
#include "scoped_win.h"

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

// A memory device context with a font selected, both given back with its owner.
class FontDc {
public:
    explicit FontDc(HFONT font) : dc_(CreateCompatibleDC(nullptr)), oldFont_(SelectObject(dc_, font)) {}
    FontDc(const FontDc&) = delete;
    FontDc& operator=(const FontDc&) = delete;
    ~FontDc() {
        SelectObject(dc_, oldFont_);
        DeleteDC(dc_);
    }
    HDC get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ oldFont_;
};

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)); }

// The size DrawText needs for the text in the control's font, wrapped at `width` when `wrap`.
SIZE NeededSize(HWND control, const std::wstring& text, int width, bool wrap) {
    FontDc dc(FontOf(control));
    RECT rect = {0, 0, width, 0};
    DrawTextW(dc.get(), text.c_str(), -1, &rect, DT_CALCRECT | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// What of a check box's or radio button's width the box and the gap after it take.
int BoxAllowance(HWND control) {
    FontDc dc(FontOf(control));
    int zero = 0;
    GetCharWidth32W(dc.get(), L'0', L'0', &zero);
    return MulDiv(13, GetDeviceCaps(dc.get(), LOGPIXELSX), 96) + zero / 2;
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
        SIZE room = {width, height}, needed = {};
        if (lstrcmpiW(className.c_str(), L"Static") == 0) {
            const LONG kind = style & SS_TYPEMASK;
            if (kind != SS_LEFT && kind != SS_RIGHT && kind != SS_CENTER) continue;
            needed = NeededSize(child, text, width, true);
        } else if (lstrcmpiW(className.c_str(), L"Button") == 0) {
            const LONG kind = style & BS_TYPEMASK;
            if (kind == BS_GROUPBOX) {
                // the caption starts and ends a character's width in from the frame
                const int inset = NeededSize(child, L"0", width, false).cx;
                needed = {NeededSize(child, text, width, false).cx + 2 * inset, 0};
            } else if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
                       kind == BS_AUTORADIOBUTTON || kind == BS_3STATE || kind == BS_AUTO3STATE) {
                room.cx = width - BoxAllowance(child);
                needed = NeededSize(child, text, room.cx, (style & BS_MULTILINE) != 0);
            } else {
                room.cx = width - 1;  // a push button's text keeps clear of its frame
                needed = {NeededSize(child, text, width, false).cx, 0};
            }
        } else if (lstrcmpiW(className.c_str(), L"Edit") == 0) {
            // a read-only box of several lines without a scroll bar shows all it holds at once
            if ((style & (ES_MULTILINE | ES_READONLY)) != (ES_MULTILINE | ES_READONLY) || (style & WS_VSCROLL)) continue;
            RECT shown = {};
            SendMessageW(child, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&shown));
            room = {shown.right - shown.left, shown.bottom - shown.top};
            needed = NeededSize(child, text, room.cx, true);
        } else {
            continue;
        }
        if (needed.cx <= room.cx && needed.cy <= room.cy) continue;
        cut.push_back(std::to_wstring(GetDlgCtrlID(child)) + L" \"" + text + L"\" needs " +
                      std::to_wstring(needed.cx) + L"x" + std::to_wstring(needed.cy) + L" px, has " +
                      std::to_wstring(room.cx) + L"x" + std::to_wstring(room.cy));
    }
    return cut;
}

// Text statics, buttons and read-only edit boxes; a picture static's "text" is its resource's number.
bool IsLabel(HWND control) {
    const std::wstring className = ClassOf(control);
    if (lstrcmpiW(className.c_str(), L"Button") == 0) return true;
    if (lstrcmpiW(className.c_str(), L"Edit") == 0) return (GetWindowLongW(control, GWL_STYLE) & ES_READONLY) != 0;
    const LONG kind = GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK;
    return lstrcmpiW(className.c_str(), L"Static") == 0 && (kind == SS_LEFT || kind == SS_RIGHT || kind == SS_CENTER);
}

// The pixels (0x00RRGGBB) one character draws in `font`, black on a white square.
std::vector<DWORD> Drawing(HFONT font, wchar_t character) {
    constexpr int kSide = 32;
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSide, -kSide, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) return {};
    FontDc dc(font);
    const HGDIOBJ oldBitmap = SelectObject(dc.get(), bitmap.get());
    RECT square = {0, 0, kSide, kSide};
    FillRect(dc.get(), &square, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetTextColor(dc.get(), RGB(0, 0, 0));
    SetBkMode(dc.get(), TRANSPARENT);
    RECT at = {4, 4, kSide, kSide};
    DrawTextW(dc.get(), &character, 1, &at, DT_NOPREFIX | DT_SINGLELINE | DT_NOCLIP);
    GdiFlush();
    const DWORD* pixels = static_cast<const DWORD*>(bits);
    std::vector<DWORD> drawing(pixels, pixels + kSide * kSide);
    SelectObject(dc.get(), oldBitmap);
    return drawing;
}

bool HasInk(const std::vector<DWORD>& pixels) {
    for (DWORD pixel : pixels) {
        if ((pixel & 0xFFFFFF) != 0xFFFFFF) return true;
    }
    return false;
}

// The characters of the dialog's labels that draw as the missing-glyph box, " U+XXXX" each.
std::wstring BoxedCharacters(HWND dialog) {
    const HFONT font = FontOf(dialog);
    // Two unassigned code points drawing the same ink can only be the box of a missing glyph.
    const auto box = Drawing(font, L'\xE000');
    EXPECT_TRUE(HasInk(box));
    EXPECT_EQ(box, Drawing(font, L'\x0378'));
    std::set<wchar_t> characters;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsLabel(child)) continue;
        for (wchar_t c : TextOf(child)) {
            if (c >= L' ') characters.insert(c);
        }
    }
    std::wstring boxed;
    for (wchar_t c : characters) {
        if (Drawing(font, c) != box) continue;
        wchar_t code[16] = {};
        swprintf(code, 16, L" U+%04X", static_cast<unsigned>(c));
        boxed += code;
    }
    return boxed;
}

const int kTemplates[] = {IDD_ALREADY_RUNNING_JA, IDD_ALREADY_RUNNING_EN, IDD_OPENING, IDD_HOTKEYS_JA, IDD_HOTKEYS_EN,
                          IDD_REGEX_JA, IDD_REGEX_EN, IDD_SETTINGS_JA, IDD_SETTINGS_EN, IDD_MULTIPLY_JA,
                          IDD_MULTIPLY_EN, IDD_APP_RULES_JA, IDD_APP_RULES_EN};

UniqueWindow CreateInertDialog(int templateId) {
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};  // the settings' trackbars
    InitCommonControlsEx(&classes);
    return UniqueWindow(
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), nullptr, InertDlgProc, 0));
}

using DialogCheck = std::function<void(const std::string& name, HWND dialog)>;

// The About box as the menu opens it, with stand-in addresses so that every button of it shows.
void CheckAboutBox(Language language, const DialogCheck& check) {
    SetLanguage(language);
    const MakerAddresses previous =
        SetMakerAddresses({L"https://nuvela.example/", L"support@nuvela.example", L"https://nuvela.example/contribution",
                           L"https://nuvela.example/feedback"});
    Drive([] { return RunAboutDialog(nullptr); },
          [&](HWND dialog) { check(language == Language::Japanese ? "About ja" : "About en", dialog); });
    SetMakerAddresses(previous);
}

// Runs `check` on every template, created with a dialog procedure that does nothing, and on the About box.
void ForEachDialog(const DialogCheck& check) {
    for (int templateId : kTemplates) {
        const UniqueWindow dialog = CreateInertDialog(templateId);
        ASSERT_TRUE(dialog) << templateId;
        check("template " + std::to_string(templateId), dialog.get());
    }
    for (Language language : {Language::Japanese, Language::English}) CheckAboutBox(language, check);
}

// Opens each dialog as the dialog tests do (language, icons, program instance).
class DialogTexts : public DialogTest {};

TEST_F(DialogTexts, EveryTemplateTextFitsItsControl) {
    int checked = 0;
    ForEachDialog([&](const std::string& name, HWND dialog) {
        ++checked;
        const auto cut = CutTexts(dialog);
        std::wstring list;
        for (const auto& entry : cut) list += L"\n  " + entry;
        RECT hundred = {0, 0, 100, 100};  // to turn the pixels into dialog units
        MapDialogRect(dialog, &hundred);
        EXPECT_TRUE(cut.empty()) << name << " (100x100 DU = " << hundred.right << "x" << hundred.bottom << " px):" << list;
    });
    EXPECT_EQ(checked, static_cast<int>(std::size(kTemplates)) + 2);
}

TEST_F(DialogTexts, NoCharacterOfATemplateDrawsAsAnEmptyBox) {
    int checked = 0;
    ForEachDialog([&](const std::string& name, HWND dialog) {
        ++checked;
        const std::wstring boxed = BoxedCharacters(dialog);
        EXPECT_TRUE(boxed.empty()) << name << ":" << boxed;
    });
    EXPECT_EQ(checked, static_cast<int>(std::size(kTemplates)) + 2);
}

TEST_F(DialogTexts, EveryTrackbarThumbShowsWhole) {
    int trackbars = 0;
    ForEachDialog([&](const std::string& name, HWND dialog) {
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (lstrcmpiW(ClassOf(child).c_str(), TRACKBAR_CLASSW) != 0) continue;
            ++trackbars;
            RECT client = {}, thumb = {};
            GetClientRect(child, &client);
            SendMessageW(child, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
            EXPECT_TRUE(thumb.top >= 0 && thumb.bottom <= client.bottom)
                << name << ", control " << GetDlgCtrlID(child) << ": thumb " << thumb.top << ".." << thumb.bottom
                << " in " << client.bottom;
        }
    });
    EXPECT_EQ(trackbars, 4) << "the settings' two, in either language";
}

// The pictures, drawn at 200 %, as the dialogs show them: as large as their frames hold without
// distortion, at every DPI. The frame is the template's, not the size of the picture it loaded.
TEST_F(DialogTexts, EveryPictureFillsItsFrame) {
    int pictures = 0;
    for (int templateId : {IDD_ALREADY_RUNNING_JA, IDD_ALREADY_RUNNING_EN, IDD_OPENING}) {
        const UniqueWindow dialog = CreateInertDialog(templateId);
        ASSERT_TRUE(dialog) << templateId;
        DialogPictures shown;
        shown.Take(dialog.get());
        for (HWND child = GetWindow(dialog.get(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const LONG style = GetWindowLongW(child, GWL_STYLE);
            if ((style & SS_TYPEMASK) != SS_BITMAP) continue;
            ++pictures;
            EXPECT_TRUE(style & SS_CENTERIMAGE) << templateId << ": the frame took the loaded picture's size";
            RECT frame = {};
            GetClientRect(child, &frame);
            BITMAP picture = {};
            GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof picture,
                       &picture);
            EXPECT_TRUE(picture.bmWidth <= frame.right && picture.bmHeight <= frame.bottom &&
                        (picture.bmWidth == frame.right || picture.bmHeight == frame.bottom))
                << templateId << ": picture " << picture.bmWidth << "x" << picture.bmHeight << " in a frame of "
                << frame.right << "x" << frame.bottom;
        }
        shown.Clear();
    }
    EXPECT_EQ(pictures, 9);
}

// The run at another DPI (NUVELA_TEST_DPI, set by scripts/test.sh) only means something when the
// prefix it runs in has that DPI.
TEST_F(DialogTexts, TheScreenHasTheDpiTheRunAsksFor) {
    const char* asked = std::getenv("NUVELA_TEST_DPI");
    if (!asked) GTEST_SKIP() << "the ordinary run, at the prefix's DPI";
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(dpi, std::atoi(asked));
}

}  // namespace
}  // namespace dialog_test
