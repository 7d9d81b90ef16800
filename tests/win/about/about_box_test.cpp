#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include "about_box.h"
#include "about_dialog.h"
#include "about_texts.h"
#include "clipboard_access.h"
#include "commands.h"
#include "dialog_fixture.h"
#include "dialog_host.h"
#include "dpi.h"
#include "main_window.h"
#include "menu_dialogs.h"
#include "product_facts.h"
#include "resource.h"
#include "test_support.h"
#include "windows_system.h"

namespace about_test {
namespace {

using namespace dialog_test;

const MakerAddresses kEveryAddress = {L"https://example.org/", L"help@example.org", L"https://example.org/contribute",
                                      L"https://example.org/feedback"};

struct Opening {
    std::wstring address;
    std::wstring directory;
    std::wstring currentDirectory;  // while it was opened
};

std::vector<Opening> openings;
INT_PTR openResult = 42;  // what the shell answers: above 32 is success

std::wstring CurrentDirectoryNow() {
    wchar_t directory[1024] = {};
    GetCurrentDirectoryW(1024, directory);
    return directory;
}

INT_PTR RecordOpening(HWND, const std::wstring& address, const std::wstring& directory) {
    openings.push_back({address, directory, CurrentDirectoryNow()});
    return openResult;
}

std::vector<std::wstring> librariesAsked;

HMODULE NoLibrary(const wchar_t* name) {
    librariesAsked.push_back(name);
    return nullptr;
}

std::wstring ProgramFile() {
    wchar_t path[1024] = {};
    GetModuleFileNameW(nullptr, path, 1024);
    return path;
}

AboutBoxParams Params(bool japanese, const MakerAddresses& addresses) {
    AboutBoxParams params;
    params.japanese = japanese;
    params.iconId = IDI_PROGRAM;
    params.instance = GetModuleHandleW(nullptr);
    params.productName = japanese ? L"ヌベラ" : L"Nuvela";
    params.webSite = addresses.webSite;
    params.contact = addresses.contact;
    params.contributionUrl = addresses.contribution;
    params.feedbackUrl = addresses.feedback;
    params.notice = L"The notice.\r\nSecond line of the notice.";
    return params;
}

std::vector<int> ChildIds(HWND dialog) {
    std::vector<int> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(child));
    return ids;
}

bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

std::wstring WithoutLineFeeds(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'\n'), text.end());
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

bool LockedButtonsEnabled(HWND dialog) {
    return Enabled(dialog, IDC_ABOUT_ENVIRONMENT) && Enabled(dialog, IDC_ABOUT_CONTRIBUTION) &&
           Enabled(dialog, IDC_ABOUT_FEEDBACK);
}

bool LockedButtonsDisabled(HWND dialog) {
    return !Enabled(dialog, IDC_ABOUT_ENVIRONMENT) && !Enabled(dialog, IDC_ABOUT_CONTRIBUTION) &&
           !Enabled(dialog, IDC_ABOUT_FEEDBACK);
}

// A left click on the first occurrence of `text` in the contact box, where the box shows a link.
void ClickTextInContactBox(HWND dialog, const std::wstring& text) {
    HWND contact = GetDlgItem(dialog, IDC_ABOUT_CONTACT);
    ASSERT_TRUE(contact);
    FINDTEXTEXW find = {{0, -1}, text.c_str(), {0, 0}};
    ASSERT_GE(SendMessageW(contact, EM_FINDTEXTEXW, FR_DOWN, reinterpret_cast<LPARAM>(&find)), 0) << text;
    POINTL at = {};
    SendMessageW(contact, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), find.chrgText.cpMin + 1);
    const LPARAM point = MAKELPARAM(at.x + 2, at.y + 4);
    SendMessageW(contact, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(contact, WM_LBUTTONUP, 0, point);
}

class AboutBoxTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        openings.clear();
        openResult = 42;
        librariesAsked.clear();
        SetShellOpenFunction(RecordOpening);
        clipboard_test::CopyText(nullptr, L"sentinel");
    }
    void TearDown() override {
        SetShellOpenFunction(nullptr);
        SetRichEditLoader(nullptr);
        ClipboardSession clipboard;
        if (clipboard.Open(nullptr)) EmptyClipboard();
        DialogTest::TearDown();
    }
    bool Show(const AboutBoxParams& params, Script script) {
        return Drive([&] { return ShowAboutBox(params); }, std::move(script));
    }
};

TEST_F(AboutBoxTest, EightControlsWithTheRichEditBoxInEitherLanguage) {
    const bool loadedBefore = GetModuleHandleW(L"riched20.dll") != nullptr;
    const std::optional<VersionStrings> version = ReadVersionStrings(ProgramFile());
    ASSERT_TRUE(version.has_value());
    for (bool japanese : {true, false}) {
        SCOPED_TRACE(japanese);
        const AboutBoxParams params = Params(japanese, kEveryAddress);
        EXPECT_TRUE(Show(params, [&](HWND dialog) {
            EXPECT_EQ(ChildIds(dialog), (std::vector<int>{IDC_ABOUT_CONTRIBUTION, IDC_ABOUT_NOTICE, IDCANCEL,
                                                          IDC_ABOUT_ENVIRONMENT, IDC_ABOUT_ICON, IDC_ABOUT_VERSION,
                                                          IDC_ABOUT_CONTACT, IDC_ABOUT_FEEDBACK}));
            EXPECT_EQ(ClassOf(GetDlgItem(dialog, IDC_ABOUT_CONTACT)), L"RichEdit20W");
            wchar_t caption[64] = {};
            GetWindowTextW(dialog, caption, 64);
            EXPECT_STREQ(caption, japanese ? L"バージョン情報" : L"About");
            const auto icon = reinterpret_cast<HICON>(SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, STM_GETICON, 0, 0));
            ASSERT_TRUE(icon) << "icon 107 of the instance";
            EXPECT_EQ(test_support::IconWidth(icon), MulDiv(32, static_cast<int>(DpiOf(dialog)), 96)) << "made for the box's DPI";
            EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0)),
                      LoadIconW(params.instance, MAKEINTRESOURCEW(IDI_PROGRAM)));
            EXPECT_EQ(TextOf(dialog, IDC_ABOUT_VERSION), VersionBoxText(*version, params.productName, japanese));
            EXPECT_EQ(WithoutLineFeeds(TextOf(dialog, IDC_ABOUT_CONTACT)),
                      WithoutLineFeeds(ContactBlockText(japanese, params.webSite, params.contact)));
            EXPECT_EQ(TextOf(dialog, IDC_ABOUT_NOTICE), params.notice);
            Press(dialog, IDCANCEL);
        }));
    }
    if (!loadedBefore) {
        EXPECT_FALSE(GetModuleHandleW(L"riched20.dll")) << "released once the dialog has closed";
    }
}

// The template is written byte by byte in memory: what the system made of it shows that it is right.
TEST_F(AboutBoxTest, TheTemplateArrivesAsWritten) {
    for (bool japanese : {true, false}) {
        SCOPED_TRACE(japanese);
        Show(Params(japanese, kEveryAddress), [&](HWND dialog) {
            const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
            const LONG_PTR frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
            EXPECT_EQ(style & frame, frame);
            RECT expected = {0, 0, 239, 261};
            MapDialogRect(dialog, &expected);
            RECT client = {};
            GetClientRect(dialog, &client);
            EXPECT_EQ(client.right, expected.right);
            EXPECT_EQ(client.bottom, expected.bottom);
            LOGFONTW font = {};
            GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
            EXPECT_STREQ(font.lfFaceName, japanese ? L"ＭＳ Ｐゴシック" : L"MS Sans Serif");
            // The last control, after every alignment of the ones before it.
            RECT feedback = {7, 137, 110, 14};  // x, y, width, height: each is converted on its own
            MapDialogRect(dialog, &feedback);
            RECT placed = {};
            GetWindowRect(GetDlgItem(dialog, IDC_ABOUT_FEEDBACK), &placed);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
            EXPECT_EQ(placed.left, feedback.left);
            EXPECT_EQ(placed.top, feedback.top);
            EXPECT_EQ(placed.right - placed.left, feedback.right);
            EXPECT_EQ(placed.bottom - placed.top, feedback.bottom);
            HWND notice = GetDlgItem(dialog, IDC_ABOUT_NOTICE);
            EXPECT_TRUE(GetWindowLongPtrW(notice, GWL_STYLE) & ES_READONLY);
            EXPECT_TRUE(GetWindowLongPtrW(notice, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
            EXPECT_EQ(SendDlgItemMessageW(dialog, IDCANCEL, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON,
                      DLGC_DEFPUSHBUTTON);
            Press(dialog, IDCANCEL);
        });
    }
}

TEST_F(AboutBoxTest, WithoutTheRichEditLibrarySevenControlsAndNoContactBlock) {
    SetRichEditLoader(NoLibrary);
    EXPECT_TRUE(Show(Params(false, kEveryAddress), [&](HWND dialog) {
        EXPECT_EQ(ChildIds(dialog), (std::vector<int>{IDC_ABOUT_CONTRIBUTION, IDC_ABOUT_NOTICE, IDCANCEL,
                                                      IDC_ABOUT_ENVIRONMENT, IDC_ABOUT_ICON, IDC_ABOUT_VERSION,
                                                      IDC_ABOUT_FEEDBACK}));
        EXPECT_EQ(VersionLineOf(TextOf(dialog, IDC_ABOUT_VERSION)).rfind(L"Nuvela ver.", 0), 0u);
        Click(dialog, IDC_ABOUT_FEEDBACK);
        Press(dialog, IDCANCEL);
    }));
    EXPECT_EQ(librariesAsked, std::vector<std::wstring>{L"RICHED20.DLL"});
    ASSERT_EQ(openings.size(), 1u) << "the buttons still work";
    EXPECT_EQ(openings[0].address, kEveryAddress.feedback);
}

TEST_F(AboutBoxTest, ButtonsWithoutAddressAreHiddenAndCloseHasTheFocus) {
    const struct {
        const char* name;
        MakerAddresses addresses;
        bool contribution, feedback;
        int focus;
    } cases[] = {
        {"none", {}, false, false, IDCANCEL},
        {"every", kEveryAddress, true, true, IDC_ABOUT_CONTRIBUTION},
        {"feedback only", {L"", L"", L"", L"https://example.org/feedback"}, false, true, IDCANCEL},
        {"contribution only", {L"", L"", L"https://example.org/contribute", L""}, true, false, IDC_ABOUT_CONTRIBUTION},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Show(Params(false, c.addresses), [&](HWND dialog) {
            EXPECT_EQ(Visible(dialog, IDC_ABOUT_CONTRIBUTION), c.contribution);
            EXPECT_EQ(Visible(dialog, IDC_ABOUT_FEEDBACK), c.feedback);
            EXPECT_TRUE(Visible(dialog, IDC_ABOUT_ENVIRONMENT));
            EXPECT_EQ(GetFocus(), GetDlgItem(dialog, c.focus));
            Press(dialog, IDCANCEL);
        }));
    }
}

// The tallest stretch of the box, from its top to its bottom, that no shown control covers.
LONG LargestEmptyBand(HWND dialog) {
    std::vector<std::pair<LONG, LONG>> spans;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT placed = {};
        GetWindowRect(child, &placed);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&placed), 2);
        spans.emplace_back(placed.top, placed.bottom);
    }
    std::sort(spans.begin(), spans.end());
    RECT client = {};
    GetClientRect(dialog, &client);
    LONG reached = 0, largest = 0;
    for (const auto& [top, bottom] : spans) {
        largest = std::max(largest, top - reached);
        reached = std::max(reached, bottom);
    }
    return std::max(largest, client.bottom - reached);
}

TEST_F(AboutBoxTest, RowsWithNothingToShowLeaveNoEmptyBand) {
    const struct {
        const char* name;
        MakerAddresses addresses;
    } cases[] = {
        {"none", {}},
        {"link buttons only", {L"", L"", L"https://example.org/contribute", L"https://example.org/feedback"}},
        {"contact block only", {L"https://example.org/", L"help@example.org", L"", L""}},
        {"every", kEveryAddress},
    };
    for (const auto& c : cases) {
        for (bool japanese : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (japanese ? " ja" : " en"));
            EXPECT_TRUE(Show(Params(japanese, c.addresses), [&](HWND dialog) {
                RECT margin = {0, 0, 0, 7};  // the box's margin, the widest gap between two rows
                MapDialogRect(dialog, &margin);
                // each control's top and height are rounded to pixels on their own
                EXPECT_LE(LargestEmptyBand(dialog), margin.bottom + 1);
                Press(dialog, IDCANCEL);
            }));
        }
    }
}

TEST_F(AboutBoxTest, AButtonOpensItsAddressFromTheSystemDirectoryOnceWithinTheLock) {
    const struct {
        int button;
        std::wstring address;
    } cases[] = {{IDC_ABOUT_CONTRIBUTION, kEveryAddress.contribution}, {IDC_ABOUT_FEEDBACK, kEveryAddress.feedback}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        openings.clear();
        const std::wstring ours = CurrentDirectoryNow();
        EXPECT_TRUE(Show(Params(false, kEveryAddress), [&](HWND dialog) {
            Click(dialog, c.button);
            ASSERT_EQ(openings.size(), 1u);
            EXPECT_TRUE(LockedButtonsDisabled(dialog));
            Click(dialog, c.button);  // a double click's second press
            EXPECT_EQ(openings.size(), 1u);
            EXPECT_TRUE(clipboard_test::PumpUntil([&] { return LockedButtonsEnabled(dialog); }, 10000))
                << "the lock ends by itself";
            Click(dialog, c.button);
            EXPECT_EQ(openings.size(), 2u);
            Press(dialog, IDCANCEL);
        }));
        ASSERT_EQ(openings.size(), 2u);
        EXPECT_EQ(openings[0].address, c.address);
        EXPECT_EQ(openings[0].directory, SystemDirectory());
        EXPECT_EQ(lstrcmpiW(openings[0].currentDirectory.c_str(), SystemDirectory().c_str()), 0);
        EXPECT_EQ(CurrentDirectoryNow(), ours) << "put back afterwards";
        EXPECT_TRUE(boxes().empty());
    }
}

TEST_F(AboutBoxTest, AnAddressTheShellCannotOpenIsToldWithTheProductAsCaption) {
    openResult = 2;  // ERROR_FILE_NOT_FOUND
    const struct {
        bool japanese;
        std::wstring text;
        std::wstring caption;
    } cases[] = {
        {true, kEveryAddress.feedback + L"を開けませんでした。\n上記のファイルまたはURLを直接開いて下さい。", L"ヌベラ"},
        {false, L"Cannot open " + kEveryAddress.feedback + L".", L"Nuvela"},
    };
    std::wstring whileTold;
    recorder_->onBox = [&](const test_support::RecordedBox&) { whileTold = CurrentDirectoryNow(); };
    for (const auto& c : cases) {
        recorder_->Clear();
        whileTold.clear();
        const std::wstring ours = CurrentDirectoryNow();
        Show(Params(c.japanese, kEveryAddress), [&](HWND dialog) {
            Click(dialog, IDC_ABOUT_FEEDBACK);
            Press(dialog, IDCANCEL);
        });
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, c.text);
        EXPECT_EQ(boxes()[0].caption, c.caption);
        EXPECT_EQ(boxes()[0].type, UINT{MB_OK | MB_ICONERROR});
        EXPECT_EQ(whileTold, ours) << "put back before the box, while the tray can still save";
        EXPECT_EQ(CurrentDirectoryNow(), ours);
    }
}

TEST_F(AboutBoxTest, AClickOnALinkInTheContactBlockOpensItAndLocksTheButtons) {
    const struct {
        const wchar_t* shown;
        std::wstring opened;
    } cases[] = {{L"example.org/", kEveryAddress.webSite}, {L"help@", L"mailto:" + kEveryAddress.contact}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        openings.clear();
        Show(Params(false, kEveryAddress), [&](HWND dialog) {
            ClickTextInContactBox(dialog, c.shown);
            EXPECT_TRUE(LockedButtonsDisabled(dialog));
            Press(dialog, IDCANCEL);
        });
        ASSERT_EQ(openings.size(), 1u);
        EXPECT_EQ(openings[0].address, c.opened);
        EXPECT_EQ(openings[0].directory, SystemDirectory());
    }
}

TEST_F(AboutBoxTest, ALinkTheShellCannotOpenIsToldInEitherLanguage) {
    openResult = 0;
    const struct {
        bool japanese;
        std::wstring text;
    } cases[] = {{true, kEveryAddress.webSite + L"を開けませんでした。\n上記のURLを直接開いて下さい。"},
                 {false, L"Cannot open a browser"}};
    for (const auto& c : cases) {
        recorder_->Clear();
        Show(Params(c.japanese, kEveryAddress), [&](HWND dialog) {
            ClickTextInContactBox(dialog, L"example.org/");
            Press(dialog, IDCANCEL);
        });
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, c.text);
        EXPECT_EQ(boxes()[0].caption, c.japanese ? L"ヌベラ" : L"Nuvela");
        EXPECT_EQ(boxes()[0].type, UINT{MB_OK | MB_ICONERROR});
    }
}

TEST_F(AboutBoxTest, EnvironmentReportIsShownAndOnOkCopiedWithTheVersionLine) {
    const struct {
        bool japanese;
        const wchar_t* caption;
        const wchar_t* prompt;
        const wchar_t* copied;
    } cases[] = {
        {true, L"環境情報の表示(簡易版)", L"クリップボードにコピーする場合は[OK]ボタンを押して下さい。",
         L"クリップボードへコピーしました。"},
        {false, L"Orvanel", L"Please click the [OK] button to copy to clipboard.", L"Writing data to Clipboard."},
    };
    const std::wstring separator = L"\r\n------------------------\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.caption);
        recorder_->Clear();
        clipboard_test::CopyText(nullptr, L"sentinel");
        std::wstring versionLine;
        Show(Params(c.japanese, {}), [&](HWND dialog) {
            versionLine = VersionLineOf(TextOf(dialog, IDC_ABOUT_VERSION));
            Click(dialog, IDC_ABOUT_ENVIRONMENT);
            Press(dialog, IDCANCEL);
        });
        ASSERT_EQ(boxes().size(), 2u);
        const std::wstring& shown = boxes()[0].text;
        EXPECT_EQ(boxes()[0].caption, c.caption);
        EXPECT_EQ(boxes()[0].type, UINT{MB_OKCANCEL});
        const size_t cut = shown.rfind(separator);
        ASSERT_NE(cut, std::wstring::npos);
        const std::wstring report = shown.substr(0, cut);
        EXPECT_EQ(shown.substr(cut + separator.size()), c.prompt);
        EXPECT_EQ(report.rfind(L"Orvanel ver.1.00.01 [Jan 14 2017]\r\n[Windows]", 0), 0u);
        const std::wstring client = L"\r\n[Client]\r\n " + versionLine;
        ASSERT_GE(report.size(), client.size());
        EXPECT_EQ(report.substr(report.size() - client.size()), client);
        EXPECT_EQ(clipboard_test::ClipboardText(), report) << "the report without separator and prompt";
        EXPECT_EQ(boxes()[1].text, c.copied);
        EXPECT_EQ(boxes()[1].caption, c.caption);
        EXPECT_EQ(boxes()[1].type, UINT{MB_OK | MB_ICONINFORMATION});
    }
}

TEST_F(AboutBoxTest, EnvironmentReportCancelledLeavesTheClipboardAlone) {
    recorder_->boxAnswer = IDCANCEL;
    Show(Params(false, {}), [&](HWND dialog) {
        Click(dialog, IDC_ABOUT_ENVIRONMENT);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(boxes().size(), 1u);
    EXPECT_EQ(clipboard_test::ClipboardText(), L"sentinel");
}

TEST_F(AboutBoxTest, EnvironmentReportWhileAnotherProgramHoldsTheClipboard) {
    clipboard_test::ClipboardHeldElsewhere holder;
    ASSERT_TRUE(holder.held());
    Show(Params(false, {}), [&](HWND dialog) {
        Click(dialog, IDC_ABOUT_ENVIRONMENT);
        Press(dialog, IDCANCEL);
    });
    holder.Release();
    ASSERT_EQ(boxes().size(), 2u);
    EXPECT_EQ(boxes()[1].text, L"Cannot open clipboard.");
    EXPECT_EQ(boxes()[1].caption, L"Orvanel");
    EXPECT_EQ(boxes()[1].type, UINT{MB_OK | MB_ICONERROR});
    EXPECT_EQ(clipboard_test::ClipboardText(), L"sentinel");
}

TEST_F(AboutBoxTest, CtrlAInTheNoticeSelectsAllOfIt) {
    Show(Params(false, {}), [&](HWND dialog) {
        HWND notice = GetDlgItem(dialog, IDC_ABOUT_NOTICE);
        const DWORD length = static_cast<DWORD>(GetWindowTextLengthW(notice));
        DWORD start = 0, end = 0;
        SendMessageW(notice, EM_SETSEL, 2, 5);
        SendMessageW(notice, WM_CHAR, L'a', 0);  // read-only: neither typed nor selecting
        SendMessageW(notice, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 2u);
        EXPECT_EQ(end, 5u);
        SendMessageW(notice, WM_CHAR, 1, 0);  // Ctrl+A
        SendMessageW(notice, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, length);
        EXPECT_EQ(TextOf(dialog, IDC_ABOUT_NOTICE), L"The notice.\r\nSecond line of the notice.");
        Press(dialog, IDCANCEL);
    });
}

BOOL CALLBACK FindTooltipOf(HWND window, LPARAM found) {
    auto* wanted = reinterpret_cast<std::pair<HWND, HWND>*>(found);
    if (ClassOf(window) == TOOLTIPS_CLASSW && GetWindow(window, GW_OWNER) == wanted->first) {
        wanted->second = window;
        return FALSE;
    }
    return TRUE;
}

TEST_F(AboutBoxTest, TooltipsOnTheFourButtonsInTheLanguageOfTheBox) {
    for (bool japanese : {true, false}) {
        Show(Params(japanese, kEveryAddress), [&](HWND dialog) {
            std::pair<HWND, HWND> search{dialog, nullptr};
            EnumThreadWindows(GetCurrentThreadId(), FindTooltipOf, reinterpret_cast<LPARAM>(&search));
            ASSERT_TRUE(search.second);
            std::vector<int> ids;
            std::wstring closeText;
            const int count = static_cast<int>(SendMessageW(search.second, TTM_GETTOOLCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                wchar_t text[256] = {};
                TTTOOLINFOW tool = {};
                tool.cbSize = TTTOOLINFOW_V2_SIZE;
                tool.lpszText = text;
                SendMessageW(search.second, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&tool));
                ids.push_back(GetDlgCtrlID(reinterpret_cast<HWND>(tool.uId)));
                if (ids.back() == IDCANCEL) closeText = text;
            }
            EXPECT_EQ(ids, (std::vector<int>{IDC_ABOUT_CONTRIBUTION, IDCANCEL, IDC_ABOUT_ENVIRONMENT, IDC_ABOUT_FEEDBACK}));
            EXPECT_EQ(closeText, japanese ? L"このダイアログを閉じます" : L"Closes this dialog box.");
            Press(dialog, IDCANCEL);
        });
    }
}

HWND firstDialog = nullptr;
int otherDialogsClosed = 0;

BOOL CALLBACK CloseIfOther(HWND window, LPARAM) {
    if (window != firstDialog && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
        ++otherDialogsClosed;
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    return TRUE;
}

// Ends a second dialog, should one open, so a broken guard fails the test instead of hanging it.
void CALLBACK CloseOtherDialogs(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), CloseIfOther, 0);
}

TEST_F(AboutBoxTest, TheMenuCommandOpensItWithTheMakersAddressesAndOurNotice) {
    InstallMenuDialogs();
    const MakerAddresses previous = SetMakerAddresses(kEveryAddress);
    SetLanguage(Language::Japanese);
    Drive(
        [] {
            RunCommand(nullptr, IDM_ABOUT);
            return true;
        },
        [&](HWND dialog) {
            EXPECT_TRUE(DialogBusy);
            wchar_t caption[64] = {};
            GetWindowTextW(dialog, caption, 64);
            EXPECT_STREQ(caption, L"バージョン情報");
            EXPECT_EQ(TextOf(dialog, IDC_ABOUT_NOTICE), TermsNotice());
            EXPECT_EQ(VersionLineOf(TextOf(dialog, IDC_ABOUT_VERSION)).rfind(L"ヌベラ ver.", 0), 0u);
            EXPECT_TRUE(Visible(dialog, IDC_ABOUT_CONTRIBUTION));
            Click(dialog, IDC_ABOUT_CONTRIBUTION);
            firstDialog = dialog;
            otherDialogsClosed = 0;
            const UINT_PTR guard = SetTimer(nullptr, 0, 50, CloseOtherDialogs);
            RunCommand(nullptr, IDM_ABOUT);  // chosen again while it is open
            KillTimer(nullptr, guard);
            EXPECT_EQ(otherDialogsClosed, 0) << "no second About box while one is open";
            Press(dialog, IDCANCEL);
        });
    EXPECT_FALSE(DialogBusy);
    SetMakerAddresses(previous);
    SetMenuDialogs({});
    ASSERT_EQ(openings.size(), 1u);
    EXPECT_EQ(openings[0].address, kEveryAddress.contribution);
}

}  // namespace
}  // namespace about_test
