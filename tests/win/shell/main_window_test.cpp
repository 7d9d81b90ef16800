#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <string>
#include <vector>
#include <windows.h>
#include <shellapi.h>

#include "app_state.h"
#include "commands.h"
#include "dpi.h"
#include "language.h"
#include "main_window.h"
#include "messages.h"
#include "multidiv.h"
#include "opening_dialog.h"
#include "paste_plain.h"
#include "pending_notification.h"
#include "resource.h"
#include "settings.h"
#include "shell_fixture.h"
#include "tray.h"
#include "tray_menu.h"
#include "watch.h"

namespace shell_test {
namespace {

using MainWindowTest = ShellTest;

TEST_F(MainWindowTest, CreationAddsTheStateIconAndAHiddenWindowTitledByLanguage) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    EXPECT_EQ(MainWindow, window_);
    EXPECT_EQ(CurrentTrayIcon(), IDI_TRAY_OFF);
    EXPECT_TRUE(LastTrayIconCallAccepted());
    EXPECT_FALSE(IsWindowVisible(window_));
    wchar_t title[64] = {};
    GetWindowTextW(window_, title, 64);
    EXPECT_STREQ(title, L"Nuvela");
    wchar_t className[64] = {};
    GetClassNameW(window_, className, 64);
    EXPECT_STREQ(className, L"NuvelaClipboardText");
}

// Which commands store the settings at once and which leave that to the exit.
TEST_F(MainWindowTest, ToggleCommandsChangeTheirOptionAndSaveByTheRule) {
    struct Case {
        UINT command;
        const wchar_t* key;
        bool ProcessingOptionsRecord::*option;
        bool saves;
    };
    const std::vector<Case> cases = {
        {IDM_DEL_SPACE, L"DelSpace", &ProcessingOptionsRecord::DelSpace, true},
        {IDM_DEL_ENTER, L"DelEnter", &ProcessingOptionsRecord::DelEnter, true},
        {IDM_DEL_TAB, L"DelTab", &ProcessingOptionsRecord::DelTab, true},
        {IDM_TRIM_LEFT, L"FEL_TRIMLEFT", &ProcessingOptionsRecord::FEL_TRIMLEFT, false},
        {IDM_TRIM_LEFT_FPSPACE, L"FEL_TRIMLEFT_FPSPACE", &ProcessingOptionsRecord::FEL_TRIMLEFT_FPSPACE, false},
        {IDM_TRIM_LEFT_TAB, L"FEL_TRIMLEFT_TAB", &ProcessingOptionsRecord::FEL_TRIMLEFT_TAB, false},
        {IDM_TRIM_LEFT_ZERO, L"FEL_TRIMLEFT_ZERO", &ProcessingOptionsRecord::FEL_TRIMLEFT_ZERO, false},
        {IDM_TRIM_LEFT_FPZERO, L"FEL_TRIMLEFT_FPZERO", &ProcessingOptionsRecord::FEL_TRIMLEFT_FPZERO, false},
        {IDM_TRIM_RIGHT, L"FEL_TRIMRIGHT", &ProcessingOptionsRecord::FEL_TRIMRIGHT, false},
        {IDM_TRIM_RIGHT_FPSPACE, L"FEL_TRIMRIGHT_FPSPACE", &ProcessingOptionsRecord::FEL_TRIMRIGHT_FPSPACE, false},
        {IDM_TRIM_RIGHT_TAB, L"FEL_TRIMRIGHT_TAB", &ProcessingOptionsRecord::FEL_TRIMRIGHT_TAB, false},
        {IDM_UNIQ, L"FEL_UNIQ", &ProcessingOptionsRecord::FEL_UNIQ, false},
        {IDM_DEL_BLANK_LINE, L"FEL_DELBLANKLINE", &ProcessingOptionsRecord::FEL_DELBLANKLINE, false},
        {IDM_CSV_TRANSPOSE, L"CSVTSV_CHANGEROWCOL", &ProcessingOptionsRecord::CSVTSV_CHANGEROWCOL, false},
        {IDM_MULTIDIV, L"MultiDiv", &ProcessingOptionsRecord::MultiDiv, false},
        {IDM_CLEAN_MARKDOWN, L"CLN_MARKDOWN", &ProcessingOptionsRecord::CLN_MARKDOWN, true},
        {IDM_CLEAN_INVISIBLE, L"CLN_INVISIBLE", &ProcessingOptionsRecord::CLN_INVISIBLE, true},
        {IDM_CLEAN_SPACES, L"CLN_SPACES", &ProcessingOptionsRecord::CLN_SPACES, true},
        {IDM_CLEAN_QUOTES, L"CLN_QUOTES", &ProcessingOptionsRecord::CLN_QUOTES, true},
        {IDM_CLEAN_UNWRAP, L"CLN_UNWRAP", &ProcessingOptionsRecord::CLN_UNWRAP, true},
    };
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    for (const auto& c : cases) {
        std::filesystem::remove(kIniFileName);
        RunCommand(window_, c.command);
        EXPECT_TRUE(ProcessingOptions.*c.option) << c.command;
        EXPECT_EQ(IniInteger(c.key), c.saves ? 1 : -1) << c.command;
        RunCommand(window_, c.command);
        EXPECT_FALSE(ProcessingOptions.*c.option) << c.command;
    }
}

TEST_F(MainWindowTest, SortAndTabWidthExcludeTheirPartner) {
    ASSERT_TRUE(CreateWindowUnderTest());
    auto& o = ProcessingOptions;
    RunCommand(window_, IDM_SORT_DSC);
    RunCommand(window_, IDM_SORT_ASC);
    EXPECT_TRUE(o.FEL_SORTASC);
    EXPECT_FALSE(o.FEL_SORTDSC);
    RunCommand(window_, IDM_SORT_ASC);  // turning one off leaves the other alone
    EXPECT_FALSE(o.FEL_SORTASC);
    EXPECT_FALSE(o.FEL_SORTDSC);

    RunCommand(window_, IDM_TAB4SPACE);
    RunCommand(window_, IDM_TAB8SPACE);
    EXPECT_FALSE(o.TAB4SPACE);
    EXPECT_TRUE(o.TAB8SPACE);
    RunCommand(window_, IDM_TAB8SPACE);
    EXPECT_FALSE(o.TAB4SPACE);
    EXPECT_FALSE(o.TAB8SPACE);
}

TEST_F(MainWindowTest, LineFeedNoteAppearsWhenBothCodesEndUpOn) {
    ASSERT_TRUE(CreateWindowUnderTest());
    RunCommand(window_, IDM_LC_LF);
    EXPECT_TRUE(recorder_->boxes.empty());
    RunCommand(window_, IDM_LC_CR);
    ASSERT_EQ(recorder_->boxes.size(), 1u);
    EXPECT_EQ(recorder_->boxes[0].owner, window_);
    EXPECT_EQ(recorder_->boxes[0].text, L"If both LF and CR are turned on for line feed code designation, it becomes CR + LF.");
    EXPECT_EQ(recorder_->boxes[0].caption, L"Nuvela");
    EXPECT_EQ(recorder_->boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
    RunCommand(window_, IDM_LC_LF);  // off again: no note
    RunCommand(window_, IDM_LC_LF);  // on while CR is on: the note again
    EXPECT_EQ(recorder_->boxes.size(), 2u);
}

TEST_F(MainWindowTest, FileModesAndConversionChoicesSaveAtOnce) {
    ConversionSet = {{L"Kana", L"カナ", {}}, {L"Wide", L"全角", {}}};
    ASSERT_TRUE(CreateWindowUnderTest());
    RunCommand(window_, IDM_FILES_FULLPATHS);
    EXPECT_EQ(IniInteger(L"FileFolderCopy"), 2);
    RunCommand(window_, IDM_FILES_NAMES);
    EXPECT_EQ(IniInteger(L"FileFolderCopy"), 1);
    RunCommand(window_, IDM_FILES_NONE);
    EXPECT_EQ(IniInteger(L"FileFolderCopy"), 0);

    // The window loads Convert.def itself; put the tables back as a loaded file would have.
    ConversionSet = {{L"Kana", L"カナ", {}}, {L"Wide", L"全角", {}}};
    RunCommand(window_, IDM_CONVERT_FIRST + 1);
    EXPECT_EQ(ProcessingOptions.StrConvID, L"Wide");
    EXPECT_EQ(IniText(L"StrConvID"), L"Wide");
    RunCommand(window_, IDM_CONVERT_FIRST + 2);  // no such table: nothing changes
    EXPECT_EQ(ProcessingOptions.StrConvID, L"Wide");
    RunCommand(window_, IDM_CONVERT_NONE);
    EXPECT_EQ(ProcessingOptions.StrConvID, L"");
    EXPECT_EQ(IniText(L"StrConvID"), L"");

    for (const auto& [command, value] : {std::pair{IDM_NORMALIZE_NFKC, 2}, std::pair{IDM_NORMALIZE_NFC, 1},
                                         std::pair{IDM_NORMALIZE_NONE, 0}}) {
        std::filesystem::remove(kIniFileName);
        RunCommand(window_, command);
        EXPECT_EQ(ProcessingOptions.CLN_NORMALIZE, value);
        EXPECT_EQ(IniInteger(L"CLN_NORMALIZE"), value) << command;
    }
}

TEST_F(MainWindowTest, MonitoringCommandsSaveAndSwitchTheIcon) {
    ASSERT_TRUE(CreateWindowUnderTest());
    struct Step {
        UINT command;
        bool watching;
    };
    for (const Step& step : std::vector<Step>{{IDM_WATCH_TOGGLE, false},
                                              {IDM_WATCH_OFF, false},
                                              {IDM_WATCH_ON, true},
                                              {IDM_WATCH_ON, true},
                                              {IDM_WATCH_TOGGLE, false},
                                              {IDM_WATCH_TOGGLE, true}}) {
        SendMessageW(window_, WM_APP_COMMAND, step.command, 0);
        EXPECT_EQ(ProcessingOptions.CBWatchEnabled, step.watching) << step.command;
        EXPECT_EQ(IniInteger(L"CBWatchEnabled"), step.watching ? 1 : 0) << step.command;
        // Switching on processes the clipboard at once and flashes 133; the timer brings 131 back.
        EXPECT_TRUE(PumpUntil([&] { return CurrentTrayIcon() == (step.watching ? IDI_TRAY_ON : IDI_TRAY_OFF); }))
            << step.command;
        EXPECT_TRUE(LastTrayIconCallAccepted()) << step.command;
    }
}

TEST_F(MainWindowTest, SwitchingMonitoringOnProcessesOurOwnWriteAgain) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"text");
    SendMessageW(window_, WM_APP_COMMAND, IDM_PROCESS_NOW, 0);
    ASSERT_EQ(GetClipboardOwner(), window_);  // the clipboard holds our own write now
    const DWORD ownWrite = GetClipboardSequenceNumber();
    const unsigned before = ClipboardProcessingCount();
    SendMessageW(window_, WM_APP_COMMAND, IDM_WATCH_ON, 0);
    EXPECT_EQ(ClipboardProcessingCount(), before + 1);
    EXPECT_NE(GetClipboardSequenceNumber(), ownWrite);  // written again
    EXPECT_EQ(GetClipboardOwner(), window_);
    SendMessageW(window_, WM_APP_COMMAND, IDM_WATCH_OFF, 0);
    EXPECT_EQ(ClipboardProcessingCount(), before + 1);

    // Switching on is no request about another program's copy: its privacy marker holds. "/P1" with
    // monitoring on already is one, as command 32782 is.
    clipboard_test::Copy(helper_, {clipboard_test::UnicodeText(L"s e c r e t"),
                                   clipboard_test::RegisteredFormat(L"ExcludeClipboardContentFromMonitorProcessing", "1")});
    SendMessageW(window_, WM_APP_COMMAND, IDM_WATCH_ON, 0);
    EXPECT_EQ(ClipboardProcessingCount(), before + 1);
    EXPECT_EQ(GetClipboardOwner(), helper_);
    SendMessageW(window_, WM_APP_COMMAND, IDM_WATCH_ON, 0);
    EXPECT_EQ(ClipboardProcessingCount(), before + 2);
    EXPECT_EQ(GetClipboardOwner(), window_);
}

int keystrokes = 0;
bool CountKeystroke() {
    ++keystrokes;
    return true;
}

// A second start's "/V" sent while a run waits inside GetClipboardData (the owner renders only on
// request) is not run inside it: the run writes its result, and the paste then pastes that.
TEST_F(MainWindowTest, CommandSentDuringARunRunsOnceTheRunIsOver) {
    ProcessingOptions.DelSpace = true;
    ASSERT_TRUE(CreateWindowUnderTest());
    keystrokes = 0;
    const PasteKeystrokeFunction before = SetPasteKeystrokeFunction(CountKeystroke);
    {
        bool sent = false;
        const HWND main = window_;
        clipboard_test::ClipboardOwnerThatRendersLate owner(L"l a t e", [&sent, main] {
            if (!std::exchange(sent, true)) SendMessageW(main, WM_APP_COMMAND, IDM_PASTE_PLAIN, 0);
        });
        EXPECT_TRUE(PumpUntil([] { return keystrokes > 0; }));
        EXPECT_TRUE(sent);
    }
    SetPasteKeystrokeFunction(before);
    EXPECT_EQ(keystrokes, 1);
    EXPECT_EQ(ClipboardText(), L"late");
    EXPECT_EQ(GetClipboardOwner(), window_);
    for (const auto& balloon : recorder_->balloons) EXPECT_NE(balloon.severity, 3u) << testing::PrintToString(balloon.text);
}

TEST_F(MainWindowTest, SwitchingMonitoringOffStopsTheTimedRecopy) {
    ProcessingOptions.MultiDiv = true;
    ProcessingOptions.MultiDivSec = 1000;
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"a\r\nb\r\n");
    SendMessageW(window_, WM_APP_COMMAND, IDM_PROCESS_NOW, 0);
    ASSERT_TRUE(MultiDivRunning());
    SendMessageW(window_, WM_APP_COMMAND, IDM_WATCH_OFF, 0);
    EXPECT_FALSE(MultiDivRunning());
}

// Exit, emptying and the option toggles are menu-only; a second start may not run them.
TEST_F(MainWindowTest, AppCommandIgnoresMenuOnlyCommands) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"keep me");
    const ProcessingOptionsRecord before = ProcessingOptions;
    for (UINT id : std::vector<UINT>{IDM_EXIT, IDM_EMPTY_CLIPBOARD, IDM_DEL_SPACE, IDM_TRIM_LEFT, IDM_FILES_FULLPATHS,
                                     IDM_CONVERT_NONE, IDM_MULTIDIV, IDM_LC_LF, 0, 12345}) {
        SendMessageW(window_, WM_APP_COMMAND, id, 0);
        EXPECT_TRUE(IsWindow(window_)) << id;
    }
    EXPECT_TRUE(ProcessingOptions == before);
    EXPECT_EQ(ClipboardText(), L"keep me");
    EXPECT_TRUE(recorder_->boxes.empty());
    EXPECT_FALSE(std::filesystem::exists(kIniFileName));
}

// The clipboard service reaches the icon through the function the window installed at creation.
TEST_F(MainWindowTest, AWriteFlashesTheIconUntilTheRestoreTimer) {
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"text");
    SendMessageW(window_, WM_APP_COMMAND, IDM_PROCESS_NOW, 0);
    EXPECT_EQ(CurrentTrayIcon(), IDI_TRAY_DONE);
    EXPECT_TRUE(PumpUntil([] { return CurrentTrayIcon() == IDI_TRAY_ON; }));
}

TEST_F(MainWindowTest, DoubleClickTogglesAndDropsThePendingSingleClick) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"text");
    const unsigned before = ClipboardProcessingCount();
    SendMessageW(window_, WM_APP_TRAY, 0, WM_LBUTTONDOWN);
    SendMessageW(window_, WM_APP_TRAY, 0, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(ProcessingOptions.CBWatchEnabled);
    EXPECT_EQ(ClipboardProcessingCount(), before + 1);  // switching on processes once
    EXPECT_FALSE(KillTimer(window_, IDT_CLICK));        // the single click is no longer pending
    EXPECT_TRUE(PumpUntil([] { return CurrentTrayIcon() == IDI_TRAY_ON; }));
    SendMessageW(window_, WM_APP_TRAY, 0, WM_LBUTTONDBLCLK);
    EXPECT_FALSE(ProcessingOptions.CBWatchEnabled);
    EXPECT_EQ(CurrentTrayIcon(), IDI_TRAY_OFF);
}

TEST_F(MainWindowTest, SingleClickProcessesAfterTheDoubleClickTime) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"text");
    const unsigned before = ClipboardProcessingCount();
    SendMessageW(window_, WM_APP_TRAY, 0, WM_LBUTTONDOWN);
    EXPECT_EQ(ClipboardProcessingCount(), before);  // not yet: a second click may follow
    EXPECT_TRUE(PumpUntil([&] { return ClipboardProcessingCount() == before + 1; }));
    EXPECT_EQ(GetClipboardOwner(), window_);
    EXPECT_FALSE(KillTimer(window_, IDT_CLICK));  // once only: the timer is gone
}

TEST_F(MainWindowTest, MiddleClickEmptiesTheClipboard) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"text");
    ASSERT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    SendMessageW(window_, WM_APP_TRAY, 0, WM_MBUTTONUP);
    EXPECT_EQ(CountClipboardFormats(), 0);
}

TEST_F(MainWindowTest, MiddleClickWhileAnotherProgramHoldsTheClipboardReportsIt) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    CopyText(helper_, L"text");
    {
        clipboard_test::ClipboardHeldElsewhere busy;
        ASSERT_TRUE(busy.held());
        SendMessageW(window_, WM_APP_TRAY, 0, WM_MBUTTONUP);
    }
    EXPECT_EQ(LastTrayBalloon().text, L"Cannot open the clipboard.");
    EXPECT_EQ(LastTrayBalloon().iconFlags, static_cast<DWORD>(NIIF_ERROR));
    EXPECT_TRUE(LastTrayBalloon().accepted);
    EXPECT_EQ(ClipboardText(), L"text");
}

TEST_F(MainWindowTest, BalloonShowsTheFirst255CharactersUnderTheProgramName) {
    SetLanguage(Language::Japanese);
    ASSERT_TRUE(CreateWindowUnderTest());
    const std::wstring longText(300, L'x');
    PendingNotification::Clear();
    PendingNotification::Append(L"first", SeverityInfo);
    PendingNotification::Append(longText, SeverityWarning);
    PendingNotification::Show();
    const TrayBalloon& balloon = LastTrayBalloon();
    EXPECT_EQ(balloon.text, (L"first\r\n-----\r\n" + longText).substr(0, 255));
    EXPECT_EQ(balloon.title, L"ヌベラ");
    EXPECT_EQ(balloon.iconFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_TRUE(balloon.accepted);
}

// The opening dialog is Japanese only: an English first start (nothing stored yet) tells where
// Nuvela runs from the tray icon instead, once; later starts and Japanese ones do not.
TEST_F(MainWindowTest, OnlyAnEnglishFirstStartSaysWhereNuvelaRuns) {
    LoadSettings();  // the test's fresh folder holds no Nuvela.ini yet
    EXPECT_FALSE(StoredSettingsFound);
    ProcessingOptions.NoOpeningDlg = true;
    const std::wstring told =
        L"Nuvela is running here in the notification area. Right-click its icon to open its menu. If the icon is "
        L"hidden, click the arrow (^) beside the notification area first.";
    const struct {
        Language language;
        bool stored;
        std::wstring balloon;
    } cases[] = {
        {Language::English, false, told},
        {Language::English, true, L""},
        {Language::Japanese, false, L""},
    };
    for (const auto& c : cases) {
        SetLanguage(c.language);
        StoredSettingsFound = c.stored;
        ForgetTrayRecord();
        ASSERT_TRUE(CreateWindowUnderTest());
        EXPECT_EQ(LastTrayBalloon().text, c.balloon);
        if (!c.balloon.empty()) {
            EXPECT_EQ(LastTrayBalloon().iconFlags, static_cast<DWORD>(NIIF_INFO));
            EXPECT_TRUE(LastTrayBalloon().accepted);
        }
        DestroyWindowUnderTest();
    }
    ASSERT_TRUE(SaveSettings());
    LoadSettings();
    EXPECT_TRUE(StoredSettingsFound) << "the next start is not a first one";
}

TEST_F(MainWindowTest, TaskbarRestartAddsTheIconOfTheCurrentState) {
    ASSERT_TRUE(CreateWindowUnderTest());
    SendMessageW(window_, WM_APP_COMMAND, IDM_WATCH_OFF, 0);
    ASSERT_TRUE(DeleteTrayIcon(window_));  // what Explorer's restart does to it
    SendMessageW(window_, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_EQ(CurrentTrayIcon(), IDI_TRAY_OFF);
    EXPECT_TRUE(LastTrayIconCallAccepted());  // added anew, not merely recorded
}

TEST_F(MainWindowTest, CloseIsIgnoredAndExitSavesAndRemovesTheIcon) {
    ProcessingOptions.NoOpeningDlg = true;
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.FEL_UNIQ = true;  // a toggle that waits for the exit
    SendMessageW(window_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(IsWindow(window_));
    RunCommand(window_, IDM_EXIT);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(MainWindow, nullptr);
    EXPECT_EQ(CurrentTrayIcon(), 0);
    EXPECT_TRUE(LastTrayIconCallAccepted());
    EXPECT_EQ(IniInteger(L"FEL_UNIQ"), 1);
    MSG quit;
    EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(MainWindowTest, EndOfSessionDestroysAndSaves) {
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.LC_CR = true;
    SendMessageW(window_, WM_ENDSESSION, FALSE, 0);
    ASSERT_TRUE(IsWindow(window_));
    SendMessageW(window_, WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(IsWindow(window_));
    EXPECT_EQ(IniInteger(L"LC_CR"), 1);
}

// A second start's "/X" sends WM_DESTROY itself; the real destruction later must not run it twice.
TEST_F(MainWindowTest, DestroyFromASecondStartRunsTheStepsOnce) {
    ASSERT_TRUE(CreateWindowUnderTest());
    SendMessageW(window_, WM_DESTROY, 0, 0);
    EXPECT_EQ(CurrentTrayIcon(), 0);
    EXPECT_EQ(IniInteger(L"CBWatchEnabled"), 1);
    std::filesystem::remove(kIniFileName);
    DestroyWindowUnderTest();
    EXPECT_FALSE(std::filesystem::exists(kIniFileName));
}

TEST_F(MainWindowTest, ConversionMenuHoldsTheLoadedTablesByLanguage) {
    WriteConvertDef(L"Kana\r\nカナ\r\na\tA\r\n\r\nWide\r\n全角\r\n\r\n\\Esc\r\nエスケープ\r\n");
    struct Case {
        Language language;
        std::vector<std::wstring> texts;
    };
    for (const Case& c : std::vector<Case>{{Language::English, {L"&None", L"Kana", L"Wide", L"Esc"}},
                                           {Language::Japanese, {L"変換をしない(&N)", L"カナ", L"全角", L"エスケープ"}}}) {
        SetLanguage(c.language);
        ASSERT_TRUE(CreateWindowUnderTest());
        HMENU menu = ConversionMenu();
        ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(c.texts.size()));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = {};
            GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
            EXPECT_EQ(text, c.texts[i]);
            EXPECT_EQ(GetMenuItemID(menu, i), static_cast<UINT>(IDM_CONVERT_NONE + i));
        }
        DestroyWindowUnderTest();
    }
}

// The popup comes from the menu of the start's language, submenu captions included.
TEST_F(MainWindowTest, PopupCaptionsFollowTheLanguage) {
    struct Case {
        Language language;
        const wchar_t* settings;
        const wchar_t* convert;
        const wchar_t* exit;
    };
    for (const Case& c : {Case{Language::English, L"&Settings...", L"Con&vert characters", L"E&xit"},
                          Case{Language::Japanese, L"設定(&S)...", L"ついでにテキスト変換を行う(&V)", L"終了(&X)"}}) {
        SetLanguage(c.language);
        ASSERT_TRUE(CreateWindowUnderTest());
        auto caption = [](UINT item, UINT flags) {
            wchar_t text[128] = {};
            GetMenuStringW(TrayPopup(), item, text, 128, flags);
            return std::wstring(text);
        };
        EXPECT_EQ(caption(IDM_SETTINGS, MF_BYCOMMAND), c.settings);
        EXPECT_EQ(caption(kConvertMenuPosition, MF_BYPOSITION), c.convert);
        EXPECT_EQ(caption(IDM_EXIT, MF_BYCOMMAND), c.exit);
        DestroyWindowUnderTest();
    }
}

TEST_F(MainWindowTest, ConversionMenuKeepsOnlyNoneWithoutAFileAndAtMost100Tables) {
    ASSERT_TRUE(CreateWindowUnderTest());
    EXPECT_EQ(GetMenuItemCount(ConversionMenu()), 1);
    EXPECT_EQ(GetMenuItemID(ConversionMenu(), 0), static_cast<UINT>(IDM_CONVERT_NONE));
    DestroyWindowUnderTest();

    std::wstring file;
    for (int i = 0; i < 150; ++i) file += L"T" + std::to_wstring(i) + L"\r\nL\r\n\r\n";
    WriteConvertDef(file);
    ASSERT_TRUE(CreateWindowUnderTest());
    EXPECT_EQ(GetMenuItemCount(ConversionMenu()), 101);
    EXPECT_EQ(GetMenuItemID(ConversionMenu(), 100), static_cast<UINT>(IDM_CONVERT_LAST));
    EXPECT_EQ(ConversionSet.size(), 150u);
}

TEST_F(MainWindowTest, PopupLoadsWithBoldFirstItemAndKeptSubmenus) {
    ASSERT_TRUE(CreateWindowUnderTest());
    HMENU popup = TrayPopup();
    ASSERT_TRUE(popup);
    EXPECT_EQ(GetMenuItemCount(popup), 21);
    EXPECT_EQ(GetMenuDefaultItem(popup, TRUE, 0), 0u);
    EXPECT_EQ(GetSubMenu(popup, kDeleteMenuPosition), DeleteCharactersMenu());
    EXPECT_EQ(GetMenuItemID(DeleteCharactersMenu(), 0), static_cast<UINT>(IDM_DEL_SPACE));
    const std::vector<UINT> ids = {IDM_WATCH_TOGGLE, IDM_PROCESS_NOW, IDM_RESTORE_ORIGINAL, IDM_SKIP_NEXT, IDM_SETTINGS,
                                   IDM_APP_RULES, 0, UINT(-1), UINT(-1), IDM_REGEX, UINT(-1), UINT(-1), UINT(-1),
                                   UINT(-1), IDM_MULTIDIV, 0, IDM_EMPTY_CLIPBOARD, 0, IDM_HELP, IDM_ABOUT, IDM_EXIT};
    for (int i = 0; i < 21; ++i) EXPECT_EQ(GetMenuItemID(popup, i), ids[i]) << i;
}

// The marks land on the real menu items, conversion radio included.
TEST_F(MainWindowTest, MarksApplyToTheLoadedMenu) {
    WriteConvertDef(L"Kana\r\nカナ\r\n\r\nWide\r\n全角\r\n");
    ASSERT_TRUE(CreateWindowUnderTest());
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.StrConvID = L"Wide";
    ProcessingOptions.FileFolderCopy = 2;
    ProcessingOptions.DelTab = true;
    ApplyMenuMarks(ComputeMenuMarks(ProcessingOptions, ConversionSet));
    HMENU popup = TrayPopup();
    auto state = [&](UINT id) { return GetMenuState(popup, id, MF_BYCOMMAND); };
    EXPECT_TRUE(state(IDM_WATCH_TOGGLE) & MF_CHECKED);
    EXPECT_FALSE(state(IDM_PROCESS_NOW) & MF_GRAYED);
    EXPECT_TRUE(state(IDM_DEL_TAB) & MF_CHECKED);
    EXPECT_FALSE(state(IDM_DEL_SPACE) & MF_CHECKED);
    EXPECT_TRUE(state(IDM_FILES_FULLPATHS) & MF_CHECKED);
    EXPECT_FALSE(state(IDM_FILES_NONE) & MF_CHECKED);
    EXPECT_TRUE(state(IDM_CONVERT_FIRST + 1) & MF_CHECKED);
    EXPECT_FALSE(state(IDM_CONVERT_NONE) & MF_CHECKED);
    for (int position : {kConvertMenuPosition, kDeleteMenuPosition, kFilesMenuPosition})
        EXPECT_TRUE(GetMenuState(popup, position, MF_BYPOSITION) & MF_CHECKED) << position;
    EXPECT_FALSE(GetMenuState(popup, kLineMenuPosition, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_FALSE(state(IDM_SKIP_NEXT) & MF_CHECKED);
    RunCommand(window_, IDM_SKIP_NEXT);
    ApplyMenuMarks(ComputeMenuMarks(ProcessingOptions, ConversionSet));
    EXPECT_TRUE(state(IDM_SKIP_NEXT) & MF_CHECKED) << "checked while armed";
    RunCommand(window_, IDM_SKIP_NEXT);
    // The cleanup submenu follows "CSV/TSV"; unmarked while all its settings are off.
    const int cleanup = CleanupMenuPosition();
    EXPECT_EQ(GetSubMenu(popup, kCsvMenuPosition), GetSubMenu(popup, cleanup - 1));
    EXPECT_FALSE(GetMenuState(popup, cleanup, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_TRUE(state(IDM_NORMALIZE_NONE) & MF_CHECKED);

    ProcessingOptions.CLN_NORMALIZE = 2;
    ProcessingOptions.CLN_SPACES = true;
    ApplyMenuMarks(ComputeMenuMarks(ProcessingOptions, ConversionSet));
    EXPECT_TRUE(GetMenuState(popup, cleanup, MF_BYPOSITION) & MF_CHECKED);
    EXPECT_TRUE(state(IDM_NORMALIZE_NFKC) & MF_CHECKED);
    EXPECT_FALSE(state(IDM_NORMALIZE_NONE) & MF_CHECKED);
    EXPECT_TRUE(state(IDM_CLEAN_SPACES) & MF_CHECKED);

    ProcessingOptions.CBWatchEnabled = true;
    ProcessingOptions.StrConvID = L"Gone";
    ApplyMenuMarks(ComputeMenuMarks(ProcessingOptions, ConversionSet));
    EXPECT_TRUE(state(IDM_PROCESS_NOW) & MF_GRAYED);
    EXPECT_TRUE(state(IDM_CONVERT_NONE) & MF_CHECKED);
    EXPECT_FALSE(state(IDM_CONVERT_FIRST + 1) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(popup, kConvertMenuPosition, MF_BYPOSITION) & MF_CHECKED);
}

TEST_F(MainWindowTest, OpeningDialogOnlyInJapaneseAndUntilTicked) {
    struct Case {
        Language language;
        bool noOpeningDlg;
        bool shown;
    };
    for (const Case& c : std::vector<Case>{{Language::English, false, false},
                                           {Language::Japanese, true, false},
                                           {Language::Japanese, false, true}}) {
        SetLanguage(c.language);
        ProcessingOptions.NoOpeningDlg = c.noOpeningDlg;
        ASSERT_TRUE(CreateWindowUnderTest());
        EXPECT_EQ(OpeningDialogWindow() != nullptr, c.shown);
        DestroyWindowUnderTest();
    }
}

TEST_F(MainWindowTest, TickingTheOpeningDialogStoresNoOpeningDlgAtOnce) {
    SetLanguage(Language::Japanese);
    ProcessingOptions.NoOpeningDlg = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    HWND dialog = OpeningDialogWindow();
    ASSERT_TRUE(dialog);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), window_);
    wchar_t caption[32] = {};
    GetWindowTextW(dialog, caption, 32);
    EXPECT_STREQ(caption, L"ヌベラ");
    CheckDlgButton(dialog, IDC_NO_OPENING_DLG, BST_CHECKED);
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(OpeningDialogWindow(), nullptr);
    EXPECT_TRUE(ProcessingOptions.NoOpeningDlg);
    EXPECT_EQ(IniInteger(L"NoOpeningDlg"), 1);
}

TEST_F(MainWindowTest, ClosingTheOpeningDialogUntickedStoresNothing) {
    SetLanguage(Language::Japanese);
    ProcessingOptions.NoOpeningDlg = false;
    ASSERT_TRUE(CreateWindowUnderTest());
    HWND dialog = OpeningDialogWindow();
    ASSERT_TRUE(dialog);
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);  // other commands are ignored
    EXPECT_TRUE(IsWindow(dialog));
    SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(ProcessingOptions.NoOpeningDlg);
    EXPECT_FALSE(std::filesystem::exists(kIniFileName));
}

std::vector<SIZE> PictureSizes(HWND dialog) {
    std::vector<SIZE> sizes;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) continue;
        BITMAP picture = {};
        GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0)), sizeof picture, &picture);
        sizes.push_back({picture.bmWidth, picture.bmHeight});
    }
    return sizes;
}

int ShownIconWidth(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return test_support::IconWidth(reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)));
    }
    return 0;
}

// Wine does not change the DPI while a program runs: the message is sent as Windows sends it when
// the dialog is dragged to a monitor of 1.5 times the DPI, and back.
TEST_F(MainWindowTest, OpeningDialogRedoesItsPicturesAndIconAtANewDpiAndBack) {
    SetLanguage(Language::Japanese);
    OpenOpeningDialog(nullptr);
    HWND dialog = OpeningDialogWindow();
    ASSERT_TRUE(dialog);
    const int dpi = static_cast<int>(DpiOf(dialog));
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    const std::vector<SIZE> before = PictureSizes(dialog);
    ASSERT_EQ(before.size(), 3u);
    for (const auto& [times, per] : {std::pair{3, 2}, std::pair{1, 1}}) {
        const int now = MulDiv(dpi, times, per);
        RECT suggested = {frame.left, frame.top, frame.left + MulDiv(frame.right - frame.left, times, per),
                          frame.top + MulDiv(frame.bottom - frame.top, times, per)};
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(now, now), reinterpret_cast<LPARAM>(&suggested));
        const std::vector<SIZE> sizes = PictureSizes(dialog);
        ASSERT_EQ(sizes.size(), before.size());
        const int slack = times == per ? 0 : 2;  // back at the first DPI, exactly the first pictures
        for (size_t i = 0; i < before.size(); ++i) {
            EXPECT_NEAR(sizes[i].cx, MulDiv(before[i].cx, times, per), slack) << "picture " << i << " at " << now;
            EXPECT_NEAR(sizes[i].cy, MulDiv(before[i].cy, times, per), slack) << "picture " << i << " at " << now;
        }
        EXPECT_EQ(ShownIconWidth(dialog), MulDiv(32, now, 96)) << "the program icon made for the DPI";
    }
    CloseOpeningDialog();
    EXPECT_EQ(OpeningDialogWindow(), nullptr);
}

}  // namespace
}  // namespace shell_test
