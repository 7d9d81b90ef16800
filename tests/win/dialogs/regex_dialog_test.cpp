#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <string>
#include <vector>
#include <windows.h>

#include "dialog_fixture.h"
#include "dpi.h"
#include "enlarge_dialog.h"
#include "options.h"
#include "regex_dialog.h"
#include "regex_replace.h"
#include "resource.h"
#include "settings.h"
#include "test_support.h"

namespace dialog_test {
namespace {

bool RunRegexDialogWithoutOwner() { return RunRegexDialog(nullptr); }

constexpr int kFollowTheBox[] = {IDC_REGEX_TEMPLATE_LABEL, IDC_REGEX_TEMPLATE, IDC_REGEX_BEFORE_LABEL,
                                 IDC_REGEX_BEFORE,         IDC_REGEX_AFTER_LABEL, IDC_REGEX_AFTER,
                                 IDC_REGEX_ICASE,          IDC_REGEX_SINGLELINE,  IDC_REGEX_NOTDOTNEWLINE};

void ExpectFollowing(HWND dialog, bool on) {
    for (int id : kFollowTheBox) EXPECT_EQ(Enabled(dialog, id), on) << id;
}

// Ends a dialog that refused OK, and tells whether it did.
bool RefusedAndCancelled(HWND dialog) {
    if (!IsWindowVisible(dialog)) return false;
    Press(dialog, IDCANCEL);
    return true;
}

class RegexDialogTest : public DialogTest {
protected:
    void TearDown() override {
        test_support::DeleteProductKey();  // the registry-mode histories
        DialogTest::TearDown();
    }
    // Confirms the dialog with `pattern` typed in, replacement on.
    void Confirm(const std::wstring& pattern, const std::wstring& format) {
        EXPECT_TRUE(Drive(RunRegexDialogWithoutOwner, [&](HWND dialog) {
            if (!Checked(dialog, IDC_REGEX_ON)) Click(dialog, IDC_REGEX_ON);
            Type(dialog, IDC_REGEX_BEFORE, pattern);
            Type(dialog, IDC_REGEX_AFTER, format);
            Press(dialog, IDOK);
        }));
    }
    std::vector<std::wstring> ListsAtOpening(int combo) {
        std::vector<std::wstring> items;
        Drive(RunRegexDialogWithoutOwner, [&](HWND dialog) {
            items = ComboItems(dialog, combo);
            Press(dialog, IDCANCEL);
        });
        return items;
    }
};

TEST_F(RegexDialogTest, ControlsFollowTheBoxAndOkFollowsThePattern) {
    EXPECT_FALSE(Drive(RunRegexDialogWithoutOwner, [](HWND dialog) {
        ExpectFollowing(dialog, false);
        EXPECT_TRUE(Enabled(dialog, IDOK)) << "off needs no pattern";
        Click(dialog, IDC_REGEX_ON);
        ExpectFollowing(dialog, true);
        EXPECT_FALSE(Enabled(dialog, IDOK)) << "on with an empty pattern";
        Type(dialog, IDC_REGEX_BEFORE, L"a");
        EXPECT_TRUE(Enabled(dialog, IDOK));
        Type(dialog, IDC_REGEX_BEFORE, L"");
        EXPECT_FALSE(Enabled(dialog, IDOK));
        Click(dialog, IDC_REGEX_ON);
        ExpectFollowing(dialog, false);
        EXPECT_TRUE(Enabled(dialog, IDOK));
        Press(dialog, IDCANCEL);
    }));
    ProcessingOptions.REP_REP = true;
    ProcessingOptions.REP_BEFORE = L"x+";
    EXPECT_FALSE(Drive(RunRegexDialogWithoutOwner, [](HWND dialog) {
        ExpectFollowing(dialog, true);
        EXPECT_TRUE(Enabled(dialog, IDOK));
        EXPECT_EQ(TextOf(dialog, IDC_REGEX_BEFORE), L"x+");
        Press(dialog, IDCANCEL);
    }));
}

// Each template, chosen and confirmed, does through the engine what its label says; it sets the
// line switches its pattern needs, and the prompt changes nothing.
TEST_F(RegexDialogTest, EveryTemplateDoesWhatItsLabelSays) {
    const struct {
        const wchar_t* label;
        const wchar_t* text;
        const wchar_t* result;
    } cases[] = {
        {L"Put one // at the beginning of the line", L"a b\r\n\r\nc", L"//a b\r\n//\r\n//c"},
        {L"Put one ' at the beginning of the line", L"a b\r\n\r\nc", L"'a b\r\n'\r\n'c"},
        {L"Put one # at the beginning of the line", L"a b\r\n\r\nc", L"#a b\r\n#\r\n#c"},
        {L"Put one TAB at the beginning of the line", L"a b\r\n\r\nc", L"\ta b\r\n\t\r\n\tc"},
        {L"Put one space at the beginning of the line", L"a b\r\n\r\nc", L" a b\r\n \r\n c"},
        {L"Put one > at the beginning of the line", L"a b\r\n\r\nc", L">a b\r\n>\r\n>c"},
        {L"Delete one // at the beginning of the line", L"////a//\r\nb\r\n//", L"//a//\r\nb\r\n"},
        {L"Delete one ' at the beginning of the line", L"''a'\r\nb\r\n'", L"'a'\r\nb\r\n"},
        {L"Delete one # at the beginning of the line", L"##a#\r\nb\r\n#", L"#a#\r\nb\r\n"},
        {L"Delete one TAB at the beginning of the line", L"\t\ta\t\r\nb\r\n\t", L"\ta\t\r\nb\r\n"},
        {L"Delete one space at the beginning of the line", L"  a \r\nb\r\n ", L" a \r\nb\r\n"},
        {L"Delete one > at the beginning of the line", L">>a>\r\nb\r\n>", L">a>\r\nb\r\n"},
    };
    for (int index = 1; index <= static_cast<int>(std::size(cases)); ++index) {
        const auto& c = cases[index - 1];
        SCOPED_TRACE(index);
        ProcessingOptions = {};
        ProcessingOptions.REP_REP = true;
        ProcessingOptions.REP_SINGLELINE = true;  // a template turns it off
        EXPECT_TRUE(Drive(RunRegexDialogWithoutOwner, [&](HWND dialog) {
            const std::vector<std::wstring> labels = ComboItems(dialog, IDC_REGEX_TEMPLATE);
            ASSERT_EQ(labels.size(), std::size(cases) + 1);
            EXPECT_EQ(Selection(dialog, IDC_REGEX_TEMPLATE), 0);
            EXPECT_EQ(labels[static_cast<size_t>(index)], c.label);
            Type(dialog, IDC_REGEX_BEFORE, L"");
            Choose(dialog, IDC_REGEX_TEMPLATE, index);
            EXPECT_FALSE(Checked(dialog, IDC_REGEX_SINGLELINE));
            EXPECT_TRUE(Checked(dialog, IDC_REGEX_NOTDOTNEWLINE));
            EXPECT_TRUE(Enabled(dialog, IDOK));
            Press(dialog, IDOK);
        }));
        std::wstring text = c.text;
        ApplyRegexReplacement(text);
        EXPECT_EQ(text, c.result);
    }
    Drive(RunRegexDialogWithoutOwner, [](HWND dialog) {
        Choose(dialog, IDC_REGEX_TEMPLATE, 1);
        const std::wstring pattern = TextOf(dialog, IDC_REGEX_BEFORE);
        Click(dialog, IDC_REGEX_SINGLELINE);
        Choose(dialog, IDC_REGEX_TEMPLATE, 0);
        EXPECT_EQ(TextOf(dialog, IDC_REGEX_BEFORE), pattern) << "the prompt leaves the texts alone";
        EXPECT_TRUE(Checked(dialog, IDC_REGEX_SINGLELINE)) << "and the switches";
        Press(dialog, IDCANCEL);
    });
}

TEST_F(RegexDialogTest, OkRefusesAnEmptyPatternWhileOnAndABrokenOneAlways) {
    const struct {
        Language language;
        bool on;
        const wchar_t* pattern;
        std::wstring message;  // the start of it; empty when accepted
    } cases[] = {
        {Language::English, true, L"", L"Before Text is empty."},
        {Language::Japanese, true, L"", L"変更前文字列が入力されていません。"},
        {Language::English, false, L"(ab", L"regex error:\n"},
        {Language::English, true, L"[a-", L"regex error:\n"},
        {Language::Japanese, false, L"(", L"正規表現（置換前文字列）のエラー：\n"},
        {Language::English, false, L"", L""},
        {Language::English, true, L"(a)\\1", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern, c.pattern + wcslen(c.pattern)) + (c.on ? " on" : " off"));
        SetLanguage(c.language);
        recorder_->Clear();
        ProcessingOptions = {};
        ProcessingOptions.REP_REP = c.on;
        ProcessingOptions.REP_BEFORE = c.pattern;
        bool refused = false;
        const bool confirmed = Drive(RunRegexDialogWithoutOwner, [&](HWND dialog) {
            Press(dialog, IDOK);  // the pattern as stored: OK may be disabled, the check must hold anyway
            refused = RefusedAndCancelled(dialog);
        });
        EXPECT_EQ(confirmed, c.message.empty());
        EXPECT_EQ(refused, !c.message.empty());
        if (c.message.empty()) continue;
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text.substr(0, c.message.size()), c.message);
        if (c.pattern[0]) {
            EXPECT_GT(boxes()[0].text.size(), c.message.size()) << "the compiler's own words follow";
        }
        EXPECT_EQ(boxes()[0].caption, c.language == Language::Japanese ? L"正規表現による置換"
                                                                     : L"Replaces substring by a regular expression");
        EXPECT_EQ(boxes()[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
    }
}

TEST_F(RegexDialogTest, OkWritesTheSixOptionsAndCancelWritesNothing) {
    const auto enter = [](HWND dialog) {
        Click(dialog, IDC_REGEX_ON);
        Type(dialog, IDC_REGEX_BEFORE, L"(\\d+)");
        Type(dialog, IDC_REGEX_AFTER, L"<$1>");
        Click(dialog, IDC_REGEX_ICASE);
        Click(dialog, IDC_REGEX_SINGLELINE);
        Click(dialog, IDC_REGEX_NOTDOTNEWLINE);
    };
    EXPECT_FALSE(Drive(RunRegexDialogWithoutOwner, [&](HWND dialog) {
        enter(dialog);
        Press(dialog, IDCANCEL);
    }));
    EXPECT_FALSE(ProcessingOptions.REP_REP);
    EXPECT_EQ(ProcessingOptions.REP_BEFORE, L"");
    EXPECT_TRUE(ListsAtOpening(IDC_REGEX_BEFORE).empty()) << "Cancel leaves the histories alone";
    // One flag switched on at a time, so no two of them can be crossed.
    for (int flag : {IDC_REGEX_ICASE, IDC_REGEX_SINGLELINE, IDC_REGEX_NOTDOTNEWLINE}) {
        SCOPED_TRACE(flag);
        ProcessingOptions = {};
        EXPECT_TRUE(Drive(RunRegexDialogWithoutOwner, [&](HWND dialog) {
            Click(dialog, IDC_REGEX_ON);
            Type(dialog, IDC_REGEX_BEFORE, L"(\\d+)");
            Type(dialog, IDC_REGEX_AFTER, L"<$1>");
            Click(dialog, flag);
            Press(dialog, IDOK);
        }));
        const auto& o = ProcessingOptions;
        EXPECT_TRUE(o.REP_REP);
        EXPECT_EQ(o.REP_ICASE, flag == IDC_REGEX_ICASE);
        EXPECT_EQ(o.REP_SINGLELINE, flag == IDC_REGEX_SINGLELINE);
        EXPECT_EQ(o.REP_NOTDOTNEWLINE, flag == IDC_REGEX_NOTDOTNEWLINE);
        EXPECT_EQ(o.REP_BEFORE, L"(\\d+)");
        EXPECT_EQ(o.REP_AFTER, L"<$1>");
    }
}

// The histories live in the settings' store and are read again at each opening.
TEST_F(RegexDialogTest, HistoriesKeepEachTextOnceMostRecentFirstInBothStores) {
    for (const bool ini : {true, false}) {
        SCOPED_TRACE(ini ? "ini" : "registry");
        IniMode = ini;
        Confirm(L"a+", L"A");
        Confirm(L"b+", L"B");
        Confirm(L"a+", L"A");
        EXPECT_EQ(ListsAtOpening(IDC_REGEX_BEFORE), (std::vector<std::wstring>{L"a+", L"b+"}));
        EXPECT_EQ(ListsAtOpening(IDC_REGEX_AFTER), (std::vector<std::wstring>{L"A", L"B"}));
    }
    IniMode = true;
    wchar_t first[16] = {};
    GetPrivateProfileStringW(L"cbq_before", L"0", L"", first, 16, kIniFileName);
    EXPECT_STREQ(first, L"a+");
}

// Wider only: the texts stretch, the buttons keep to the lower right, the height stays.
TEST_F(RegexDialogTest, WideningStretchesTheTextsAndTheHeightCannotChange) {
    Drive(RunRegexDialogWithoutOwner, [](HWND dialog) {
        const auto rectOf = [&](int id) {
            RECT r = {};
            GetWindowRect(GetDlgItem(dialog, id), &r);
            return r;
        };
        RECT window = {};
        GetWindowRect(dialog, &window);
        const RECT before = rectOf(IDC_REGEX_BEFORE), ok = rectOf(IDOK), icase = rectOf(IDC_REGEX_ICASE);
        const int width = window.right - window.left, height = window.bottom - window.top;
        SetWindowPos(dialog, nullptr, 0, 0, width + 120, height + 60, SWP_NOMOVE | SWP_NOZORDER);
        RECT resized = {};
        GetWindowRect(dialog, &resized);
        EXPECT_EQ(resized.right - resized.left, width + 120);
        EXPECT_EQ(resized.bottom - resized.top, height);
        const RECT beforeNow = rectOf(IDC_REGEX_BEFORE), okNow = rectOf(IDOK), icaseNow = rectOf(IDC_REGEX_ICASE);
        EXPECT_EQ(beforeNow.right - beforeNow.left, before.right - before.left + 120);
        EXPECT_EQ(beforeNow.left - resized.left, before.left - window.left);
        EXPECT_EQ(rectOf(IDC_REGEX_AFTER).right - rectOf(IDC_REGEX_AFTER).left, before.right - before.left + 120);
        EXPECT_EQ(okNow.left - resized.left, ok.left - window.left + 120);
        EXPECT_EQ(icaseNow.left - resized.left, icase.left - window.left);
        SetWindowPos(dialog, nullptr, 0, 0, width - 50, height - 30, SWP_NOMOVE | SWP_NOZORDER);
        GetWindowRect(dialog, &resized);
        EXPECT_EQ(resized.right - resized.left, width) << "never smaller than at opening";
        EXPECT_EQ(resized.bottom - resized.top, height);
        Press(dialog, IDCANCEL);
    });
}

RECT ClientBox(HWND dialog, int id) {
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Wine does not change the DPI while a program runs: the message is sent as Windows sends it when
// the dialog is dragged to a monitor of 1.5 times the DPI (1.25 where that would not fit on the
// test's screen), and back.
TEST_F(RegexDialogTest, ADpiChangeThereAndBackKeepsTheButtonsWholeAndTheLimitsInStep) {
    Drive(RunRegexDialogWithoutOwner, [](HWND dialog) {
        RECT opening = {}, client = {};
        GetWindowRect(dialog, &opening);
        GetClientRect(dialog, &client);
        const bool fits = MulDiv(opening.right - opening.left, 3, 2) <= GetSystemMetrics(SM_CXSCREEN);
        const int dpi = static_cast<int>(DpiOf(dialog)), font = test_support::FontHeightOf(GetDlgItem(dialog, IDOK));
        constexpr int kWatched[] = {IDOK, IDCANCEL, IDHELP, IDC_REGEX_BEFORE, IDC_REGEX_ICASE};
        std::vector<RECT> start;
        for (int id : kWatched) start.push_back(ClientBox(dialog, id));
        const auto limits = [&] {
            MINMAXINFO info = {};
            SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
            return info;
        };
        const MINMAXINFO before = limits();
        // There, with the buttons whole at the bottom right and the pattern as wide as before in
        // step with the DPI, and back to exactly the first layout.
        for (const auto& [times, per] : {fits ? std::pair{3, 2} : std::pair{5, 4}, std::pair{1, 1}}) {
            const auto up = [&](int value) { return MulDiv(value, times, per); };
            const int now = up(dpi);
            RECT suggested = {opening.left, opening.top, opening.left + up(opening.right - opening.left),
                              opening.top + up(opening.bottom - opening.top)};
            SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(now, now), reinterpret_cast<LPARAM>(&suggested));
            RECT frame = {}, inside = {};
            GetWindowRect(dialog, &frame);
            GetClientRect(dialog, &inside);
            EXPECT_EQ(frame.right - frame.left, suggested.right - suggested.left);
            EXPECT_EQ(frame.bottom - frame.top, suggested.bottom - suggested.top);
            EXPECT_EQ(test_support::FontHeightOf(GetDlgItem(dialog, IDOK)), up(font));
            for (size_t i = 0; i < std::size(kWatched); ++i) {
                SCOPED_TRACE(testing::Message() << "control " << kWatched[i] << " at " << now);
                const RECT box = ClientBox(dialog, kWatched[i]), was = start[i];
                if (times == per) {
                    EXPECT_EQ(box.left, was.left);
                    EXPECT_EQ(box.right, was.right);
                    EXPECT_EQ(box.bottom, was.bottom);
                    continue;
                }
                if (kWatched[i] == IDC_REGEX_ICASE) continue;  // its right end is where its text ends
                EXPECT_NEAR(inside.right - box.right, up(client.right - was.right), 1);
                if (kWatched[i] == IDC_REGEX_BEFORE) continue;  // a line's height follows its font
                EXPECT_NEAR(inside.bottom - box.bottom, up(client.bottom - was.bottom), 1) << "whole, at the bottom";
                EXPECT_NEAR(box.bottom - box.top, up(was.bottom - was.top), 1);
            }
            EXPECT_EQ(limits().ptMaxTrackSize.y, up(before.ptMaxTrackSize.y)) << "the height follows the DPI";
            EXPECT_EQ(limits().ptMinTrackSize.x, up(before.ptMinTrackSize.x));
        }
        Press(dialog, IDCANCEL);
    });
}

// A work area smaller than the dialog, as a high DPI on a small screen gives: each placement rule
// (the settings dialog's lower right, the opening dialog's centre, the enlarged mode, where this
// dialog cannot shrink below its opening size) puts the top left corner on the work area's.
TEST_F(RegexDialogTest, EveryPlacementRuleKeepsATooLargeDialogsTitleBarOnTheScreen) {
    const RECT small = {100, 80, 260, 200};
    const struct {
        const char* rule;
        std::function<void(HWND)> place;
    } rules[] = {
        {"lower right", [&](HWND dialog) { PlaceDialog(dialog, PlaceLowerRight, small); }},
        {"centred", [&](HWND dialog) { PlaceDialog(dialog, PlaceCentre, small); }},
        {"enlarged", [&](HWND dialog) { EXPECT_TRUE(EnlargeDialogInWorkArea(RegexEnlargeState, dialog, PlaceLowerRight, small)); }},
    };
    for (const auto& r : rules) {
        SCOPED_TRACE(r.rule);
        Drive(RunRegexDialogWithoutOwner, [&](HWND dialog) {
            r.place(dialog);
            RECT placed = {};
            GetWindowRect(dialog, &placed);
            EXPECT_GT(placed.bottom - placed.top, small.bottom - small.top) << "too large for the work area";
            EXPECT_EQ(placed.left, small.left);
            EXPECT_EQ(placed.top, small.top);
            Press(dialog, IDCANCEL);
        });
    }
}

TEST_F(RegexDialogTest, HelpOpensTheRegexPageAndKeepsTheDialogOpen) {
    EXPECT_FALSE(Drive(RunRegexDialogWithoutOwner, [](HWND dialog) {
        Press(dialog, IDHELP);
        EXPECT_TRUE(IsWindowVisible(dialog));
        Press(dialog, IDCANCEL);
    }));
    EXPECT_EQ(helpFiles, std::vector<std::wstring>{L".\\Nuvela.chm::/_RESOURCE/HLP000011.html"});
}

}  // namespace
}  // namespace dialog_test
