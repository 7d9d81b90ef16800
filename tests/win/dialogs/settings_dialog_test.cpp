#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include <cderr.h>
#include <commctrl.h>
#include <shobjidl.h>

#include "app_state.h"
#include "dialog_fixture.h"
#include "enlarge_dialog.h"
#include "hotkeys.h"
#include "options.h"
#include "product_facts.h"
#include "resource.h"
#include "scoped_win.h"
#include "settings_dialog.h"
#include "startup_shortcut.h"
#include "windows_system.h"

namespace dialog_test {
namespace {

using test_support::IniInteger;
using test_support::IniText;

bool RunSettingsDialogWithoutOwner() { return RunSettingsDialog(nullptr); }

std::wstring startupFolder;  // the folder the dialog takes for the user's Startup folder
std::wstring StartupFolderOfTheTest() { return startupFolder; }

struct WebPageCall {
    std::wstring address;
    std::wstring directory;
    std::wstring currentDirectory;  // at the time of the call
};
std::vector<WebPageCall> webPageCalls;
INT_PTR webPageAnswer = 42;

INT_PTR RecordWebPage(HWND, const std::wstring& address, const std::wstring& directory) {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    webPageCalls.push_back({address, directory, current});
    return webPageAnswer;
}

std::wstring CurrentDirectory() {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    return current;
}

std::wstring SystemDirectoryPath() {
    wchar_t path[MAX_PATH] = {};
    GetSystemDirectoryW(path, MAX_PATH);
    return path;
}

std::wstring ThisProgramPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

struct ShortcutContents {
    std::wstring target = L"<not loaded>";
    std::wstring arguments;
    WORD hotkey = 0xFFFF;
};

// A saved shortcut, read back through the shell's own link object.
ShortcutContents ReadShortcut(const std::wstring& path) {
    ShortcutContents contents;
    ComPointer<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put())))
        return contents;
    ComPointer<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put())) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return contents;
    wchar_t text[MAX_PATH] = {};
    contents.target = SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, 0)) ? text : L"<no path>";
    text[0] = L'\0';
    if (SUCCEEDED(link->GetArguments(text, MAX_PATH))) contents.arguments = text;
    link->GetHotkey(&contents.hotkey);
    return contents;
}

std::wstring ComboText(HWND dialog, int id) {
    const std::vector<std::wstring> items = ComboItems(dialog, id);
    const int index = Selection(dialog, id);
    return index >= 0 && index < static_cast<int>(items.size()) ? items[static_cast<size_t>(index)] : L"<none>";
}

int TrackbarPosition(HWND dialog, int id) {
    return static_cast<int>(SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0));
}

// Replaces an edit control's text as typing does, so the control counts as changed by the user.
void TypeInto(HWND dialog, int editId, const std::wstring& text) {
    HWND edit = GetDlgItem(dialog, editId);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    for (wchar_t unit : text) SendMessageW(edit, WM_CHAR, unit, 0);
}

// A user dragging a trackbar: the position changes and the dialog hears of it.
void MoveTrackbar(HWND dialog, int id, int position) {
    HWND trackbar = GetDlgItem(dialog, id);
    SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(trackbar));
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

RECT PrimaryWorkArea() {
    RECT workArea = {};
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0));
    return workArea;
}

class SettingsDialogTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        com_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        startupFolder = (folder_->path() / L"Startup").wstring();
        std::filesystem::create_directory(startupFolder);
        SetStartupFolderLookup(StartupFolderOfTheTest);
        webPageCalls.clear();
        webPageAnswer = 42;
        SetWebPageOpener(RecordWebPage);
        previousAddresses_ = SetMakerAddresses({});
    }
    void TearDown() override {
        SetMakerAddresses(previousAddresses_);
        SetWebPageOpener(nullptr);
        SetFileChooser(nullptr);
        SetStartupFolderLookup(nullptr);
        OpacityPreview = {};
        if (SUCCEEDED(com_)) CoUninitialize();
        DialogTest::TearDown();
    }
    std::filesystem::path ShortcutFile(const wchar_t* name) const { return std::filesystem::path(startupFolder) / name; }

private:
    HRESULT com_ = E_FAIL;
    MakerAddresses previousAddresses_;
};

TEST_F(SettingsDialogTest, OpensWithTheStoredOptionsAndOkStoresWhatItShows) {
    // Each switch has a pattern of its own across the cases, so no two of them can be crossed.
    struct Switches {
        bool balloon, sound, floating, confirmClose, useCommandLine;
    };
    const struct {
        Language language;
        Switches on;
        int interval, delay, charCode, opacity, mouseOverOpacity;
        const wchar_t* intervalText;
        const wchar_t* delayText;
        int checkedCharCode;
        int storedInterval, storedDelay, storedCharCode;
    } cases[] = {
        // values outside the tables fall back to their first choices and are stored as those
        {Language::English, {true, false, true, false, true}, 3000, 300, 5, 255, 255, L"1.0 second", L"Immediately",
         IDC_SETTINGS_CHARCODE_ANSI, 1000, 0, 0},
        {Language::Japanese, {false, true, true, false, false}, 3000, 300, 5, 0, 128, L"1秒間隔", L"即時反応",
         IDC_SETTINGS_CHARCODE_ANSI, 1000, 0, 0},
        {Language::English, {false, false, false, true, true}, 10000, 700, 1, 30, 200, L"10 seconds",
         L"0.7 second delay", IDC_SETTINGS_CHARCODE_UTF16, 10000, 700, 1},
        {Language::Japanese, {true, true, true, true, true}, 500, 1000, 2, 100, 7, L"0.5秒間隔", L"1.0秒遅れ",
         IDC_SETTINGS_CHARCODE_UTF8, 500, 1000, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.intervalText);
        SetLanguage(c.language);
        auto& o = ProcessingOptions;
        o = ProcessingOptionsRecord{};
        o.SHOW_BALLOON = c.on.balloon;
        o.PLAY_SOUND = c.on.sound;
        o.SHOW_FLOATING = c.on.floating;
        o.CHKCLOSE_FLOATING = c.on.confirmClose;
        o.USE_CMDLINE = c.on.useCommandLine;
        o.PLAY_SOUND_FNAME = L"C:\\sounds\\done.wav";
        o.CMDLINE = L"sort.exe /r";
        o.MultiDivSec = c.interval;
        o.Delay1Sec = c.delay;
        o.CMDLINE_CHARCODE = c.charCode;
        o.ALPHA_FLOATING = c.opacity;
        o.ALPHA_FLOATING2 = c.mouseOverOpacity;
        const bool confirmed = Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            EXPECT_EQ(SettingsDialogWindow, dialog);
            EXPECT_EQ(Checked(dialog, IDC_SETTINGS_BALLOON), c.on.balloon);
            EXPECT_EQ(Checked(dialog, IDC_SETTINGS_SOUND), c.on.sound);
            EXPECT_EQ(Checked(dialog, IDC_SHOW_FLOATING), c.on.floating);
            EXPECT_EQ(Checked(dialog, IDC_SETTINGS_CONFIRM_CLOSE), c.on.confirmClose);
            EXPECT_EQ(Checked(dialog, IDC_SETTINGS_USE_CMDLINE), c.on.useCommandLine);
            EXPECT_FALSE(Checked(dialog, IDC_SETTINGS_STARTUP));
            EXPECT_EQ(TextOf(dialog, IDC_SETTINGS_SOUND_FILE), L"C:\\sounds\\done.wav");
            EXPECT_EQ(TextOf(dialog, IDC_SETTINGS_CMDLINE), L"sort.exe /r");
            EXPECT_EQ(ComboItems(dialog, IDC_SETTINGS_INTERVAL).size(), 8u);
            EXPECT_EQ(ComboItems(dialog, IDC_SETTINGS_DELAY).size(), 6u);
            EXPECT_EQ(ComboText(dialog, IDC_SETTINGS_INTERVAL), c.intervalText);
            EXPECT_EQ(ComboText(dialog, IDC_SETTINGS_DELAY), c.delayText);
            EXPECT_TRUE(Checked(dialog, c.checkedCharCode));
            EXPECT_EQ(TrackbarPosition(dialog, IDC_SETTINGS_OPACITY), c.opacity);
            EXPECT_EQ(TrackbarPosition(dialog, IDC_SETTINGS_MOUSEOVER_OPACITY), c.mouseOverOpacity);
            EXPECT_TRUE(OpacityPreview.on);
            EXPECT_EQ(OpacityPreview.normal, c.opacity);
            EXPECT_EQ(OpacityPreview.mouseOver, c.mouseOverOpacity);
            EXPECT_EQ(GetDlgItem(dialog, IDC_SETTINGS_BIGDIALOG) != nullptr, c.language == Language::Japanese);
            Press(dialog, IDOK);
        });
        EXPECT_TRUE(confirmed);
        EXPECT_TRUE(boxes().empty());
        EXPECT_EQ(o.MultiDivSec, c.storedInterval);
        EXPECT_EQ(o.Delay1Sec, c.storedDelay);
        EXPECT_EQ(o.CMDLINE_CHARCODE, c.storedCharCode);
        EXPECT_EQ(o.ALPHA_FLOATING, c.opacity);
        EXPECT_EQ(o.ALPHA_FLOATING2, c.mouseOverOpacity);
        EXPECT_EQ(o.SHOW_BALLOON, c.on.balloon);
        EXPECT_EQ(o.PLAY_SOUND, c.on.sound);
        EXPECT_EQ(o.SHOW_FLOATING, c.on.floating);
        EXPECT_EQ(o.CHKCLOSE_FLOATING, c.on.confirmClose);
        EXPECT_EQ(o.USE_CMDLINE, c.on.useCommandLine);
        EXPECT_FALSE(OpacityPreview.on);
        EXPECT_EQ(SettingsDialogWindow, nullptr);
    }
}

// Before Windows 10 the Japanese box speaks of balloon tips; the English one names both.
TEST_F(SettingsDialogTest, TheNotificationBoxNamesWhatTheRunningWindowsShows) {
    const bool beforeWindows10 = OsVersionNumber() < 1000;
    const struct {
        Language language;
        const wchar_t* caption;
    } cases[] = {
        {Language::Japanese, beforeWindows10 ? L"テキスト属性を除去したらバルーンチップで知らせる(&A)"
                                             : L"テキスト属性を除去したらトースト通知で知らせる(&A)"},
        {Language::English, L"Displ&ay a toast notification or balloon tip"},
    };
    for (const auto& c : cases) {
        SetLanguage(c.language);
        Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            EXPECT_EQ(TextOf(dialog, IDC_SETTINGS_BALLOON), c.caption);
            Press(dialog, IDCANCEL);
        });
    }
}

TEST_F(SettingsDialogTest, OkStoresWhatTheUserChanged) {
    // The switches clicked differ from case to case, so no two of them can be crossed.
    const struct {
        bool balloon, sound, floating, confirmClose, useCommandLine;
    } cases[] = {{true, false, true, false, true}, {false, true, true, false, false}, {false, false, false, true, true}};
    SetLanguage(Language::Japanese);
    for (const auto& c : cases) {
        ProcessingOptions = ProcessingOptionsRecord{};
        const bool confirmed = Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            if (c.balloon) Click(dialog, IDC_SETTINGS_BALLOON);
            if (c.sound) {
                Click(dialog, IDC_SETTINGS_SOUND);
                TypeInto(dialog, IDC_SETTINGS_SOUND_FILE, L"ding.wav");
            }
            if (c.floating) Click(dialog, IDC_SHOW_FLOATING);
            if (c.confirmClose) Click(dialog, IDC_SETTINGS_CONFIRM_CLOSE);
            MoveTrackbar(dialog, IDC_SETTINGS_OPACITY, 90);
            MoveTrackbar(dialog, IDC_SETTINGS_MOUSEOVER_OPACITY, 180);
            Choose(dialog, IDC_SETTINGS_INTERVAL, 4);
            Choose(dialog, IDC_SETTINGS_DELAY, 2);
            if (c.useCommandLine) {
                Click(dialog, IDC_SETTINGS_USE_CMDLINE);
                TypeInto(dialog, IDC_SETTINGS_CMDLINE, L"nkf -w");
                Click(dialog, IDC_SETTINGS_CHARCODE_UTF8);
            }
            Press(dialog, IDOK);
        });
        EXPECT_TRUE(confirmed);
        const auto& o = ProcessingOptions;
        EXPECT_EQ(o.SHOW_BALLOON, c.balloon);
        EXPECT_EQ(o.PLAY_SOUND, c.sound);
        EXPECT_EQ(o.SHOW_FLOATING, c.floating);
        EXPECT_EQ(o.CHKCLOSE_FLOATING, c.confirmClose);
        EXPECT_EQ(o.USE_CMDLINE, c.useCommandLine);
        EXPECT_EQ(o.PLAY_SOUND_FNAME, c.sound ? L"ding.wav" : L"");
        EXPECT_EQ(o.ALPHA_FLOATING, 90);
        EXPECT_EQ(o.ALPHA_FLOATING2, 180);
        EXPECT_EQ(o.MultiDivSec, 4000);
        EXPECT_EQ(o.Delay1Sec, 200);
        EXPECT_EQ(o.CMDLINE, c.useCommandLine ? L"nkf -w" : L"");
        EXPECT_EQ(o.CMDLINE_CHARCODE, c.useCommandLine ? 2 : 0);
    }
    EXPECT_EQ(IniInteger(L"SHOW_BALLOON"), -1) << "the dialog itself saves nothing";
}

TEST_F(SettingsDialogTest, TrackbarsPreviewOnTheFloatingButtonAndCancelDropsThePreview) {
    ProcessingOptions.SHOW_FLOATING = true;
    ProcessingOptions.ALPHA_FLOATING = 200;
    ProcessingOptions.ALPHA_FLOATING2 = 250;
    const bool confirmed = Drive(RunSettingsDialogWithoutOwner, [](HWND dialog) {
        MoveTrackbar(dialog, IDC_SETTINGS_OPACITY, 40);
        EXPECT_TRUE(OpacityPreview.on);
        EXPECT_EQ(OpacityPreview.normal, 40);
        EXPECT_EQ(OpacityPreview.mouseOver, 250);
        MoveTrackbar(dialog, IDC_SETTINGS_MOUSEOVER_OPACITY, 60);
        EXPECT_EQ(OpacityPreview.normal, 40);
        EXPECT_EQ(OpacityPreview.mouseOver, 60);
        Press(dialog, IDCANCEL);
    });
    EXPECT_FALSE(confirmed);
    EXPECT_FALSE(OpacityPreview.on);
    EXPECT_EQ(ProcessingOptions.ALPHA_FLOATING, 200);
    EXPECT_EQ(ProcessingOptions.ALPHA_FLOATING2, 250);
}

TEST_F(SettingsDialogTest, EachSwitchEnablesItsControls) {
    const struct {
        Language language;
        int switchId;
        std::vector<int> controls;
    } cases[] = {
        {Language::English, IDC_SETTINGS_SOUND, {IDC_SETTINGS_SOUND_FILE, IDC_SETTINGS_SOUND_BROWSE}},
        {Language::English, IDC_SHOW_FLOATING,
         {IDC_SETTINGS_OPACITY_LABEL, IDC_SETTINGS_OPACITY_LOW, IDC_SETTINGS_OPACITY_HIGH, IDC_SETTINGS_MOUSEOVER_LABEL,
          IDC_SETTINGS_OPACITY, IDC_SETTINGS_MOUSEOVER_OPACITY, IDC_SETTINGS_CONFIRM_CLOSE}},
        {Language::English, IDC_SETTINGS_USE_CMDLINE,
         {IDC_SETTINGS_CMDLINE, IDC_SETTINGS_CMDLINE_BROWSE, IDC_SETTINGS_CHARCODE_LABEL, IDC_SETTINGS_CHARCODE_ANSI,
          IDC_SETTINGS_CHARCODE_UTF16, IDC_SETTINGS_CHARCODE_UTF8}},
        {Language::Japanese, IDC_SETTINGS_USE_CMDLINE,
         {IDC_SETTINGS_CMDLINE_LABEL, IDC_SETTINGS_CMDLINE, IDC_SETTINGS_CMDLINE_BROWSE, IDC_SETTINGS_CHARCODE_LABEL,
          IDC_SETTINGS_CHARCODE_ANSI, IDC_SETTINGS_CHARCODE_UTF16, IDC_SETTINGS_CHARCODE_UTF8}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.switchId);
        SetLanguage(c.language);
        Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            for (int id : c.controls) EXPECT_FALSE(Enabled(dialog, id)) << "at opening: " << id;
            Click(dialog, c.switchId);
            for (int id : c.controls) EXPECT_TRUE(Enabled(dialog, id)) << "checked: " << id;
            Click(dialog, c.switchId);
            for (int id : c.controls) EXPECT_FALSE(Enabled(dialog, id)) << "unchecked: " << id;
            Press(dialog, IDCANCEL);
        });
    }
}

// The floating button's close unchecks the box behind the dialog's back and tells it so.
TEST_F(SettingsDialogTest, AnUncheckedFloatingBoxToldFromOutsideDisablesItsControls) {
    ProcessingOptions.SHOW_FLOATING = true;
    Drive(RunSettingsDialogWithoutOwner, [](HWND dialog) {
        ASSERT_TRUE(Enabled(dialog, IDC_SETTINGS_OPACITY));
        CheckDlgButton(dialog, IDC_SHOW_FLOATING, BST_UNCHECKED);
        SendMessageW(dialog, WM_COMMAND, IDC_SHOW_FLOATING, 0);
        EXPECT_FALSE(Enabled(dialog, IDC_SETTINGS_OPACITY));
        EXPECT_FALSE(Enabled(dialog, IDC_SETTINGS_CONFIRM_CLOSE));
        Press(dialog, IDOK);
    });
    EXPECT_FALSE(ProcessingOptions.SHOW_FLOATING);
}

TEST_F(SettingsDialogTest, AnEmptyFieldUnderItsSwitchIsRefusedAndNothingIsWritten) {
    const struct {
        Language language;
        int switchId;
        const wchar_t* text;
        const wchar_t* caption;
    } cases[] = {
        {Language::English, IDC_SETTINGS_USE_CMDLINE, L"Please specify the command line.", L"コマンドライン指定"},
        {Language::Japanese, IDC_SETTINGS_USE_CMDLINE, L"コマンドラインを入力して下さい。", L"コマンドライン指定"},
        {Language::English, IDC_SETTINGS_SOUND, L"Please specify the sound file name.", L"サウンドファイル指定"},
        {Language::Japanese, IDC_SETTINGS_SOUND, L"サウンドファイル名を入力して下さい。", L"サウンドファイル指定"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SetLanguage(c.language);
        recorder_->Clear();
        const bool confirmed = Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            Click(dialog, IDC_SETTINGS_STARTUP);  // a shortcut OK would make
            if (c.language == Language::Japanese) Click(dialog, IDC_SETTINGS_BIGDIALOG);  // a box OK would show
            Click(dialog, c.switchId);
            Press(dialog, IDOK);
            EXPECT_TRUE(IsWindowVisible(dialog)) << "the dialog stays open";
            EXPECT_TRUE(OpacityPreview.on);
            EXPECT_TRUE(std::filesystem::is_empty(startupFolder)) << "no shortcut made";
            Press(dialog, IDOK);  // refused again, the same way
            Press(dialog, IDCANCEL);
        });
        EXPECT_FALSE(confirmed);
        ASSERT_EQ(boxes().size(), 2u) << "only the refusals";
        for (const auto& box : boxes()) {
            EXPECT_EQ(box.text, c.text);
            EXPECT_EQ(box.caption, c.caption);
            EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        }
        EXPECT_TRUE(std::filesystem::is_empty(startupFolder));
    }
}

TEST_F(SettingsDialogTest, AnEmptyCommandLineWithItsSwitchOffIsAccepted) {
    ProcessingOptions.CMDLINE = L"sort.exe";
    const bool confirmed = Drive(RunSettingsDialogWithoutOwner, [](HWND dialog) {
        ASSERT_FALSE(Checked(dialog, IDC_SETTINGS_USE_CMDLINE));
        Click(dialog, IDC_SETTINGS_USE_CMDLINE);
        TypeInto(dialog, IDC_SETTINGS_CMDLINE, L"");
        Click(dialog, IDC_SETTINGS_USE_CMDLINE);
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(ProcessingOptions.CMDLINE, L"");
}

TEST_F(SettingsDialogTest, LongStoredPathsSurviveOkUnlessTheUserEditedThem) {
    const std::wstring longSound = L"C:\\" + std::wstring(3000, L's') + L".wav";
    const std::wstring longCommand = L"cmd /c " + std::wstring(2500, L'c');
    for (const bool edit : {false, true}) {
        SCOPED_TRACE(edit);
        auto& o = ProcessingOptions;
        o.PLAY_SOUND = o.USE_CMDLINE = true;
        o.PLAY_SOUND_FNAME = longSound;
        o.CMDLINE = longCommand;
        const bool confirmed = Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            if (edit) {
                TypeInto(dialog, IDC_SETTINGS_SOUND_FILE, L"short.wav");
                TypeInto(dialog, IDC_SETTINGS_CMDLINE, L"more");
            }
            Press(dialog, IDOK);
        });
        EXPECT_TRUE(confirmed);
        EXPECT_EQ(o.PLAY_SOUND_FNAME, edit ? L"short.wav" : longSound);
        EXPECT_EQ(o.CMDLINE, edit ? L"more" : longCommand);
    }
}

// A window of its own for the hotkeys, as the main window holds them.
struct HiddenWindow : UniqueWindow {
    HiddenWindow()
        : UniqueWindow(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr)) {}
};

HWND settingsDialogForHotkeys = nullptr;

BOOL CALLBACK FindOwnedDialog(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == settingsDialogForHotkeys) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// Confirms the hotkey dialog with Ctrl+Alt+Shift+F24 for hotkey 1, once it is shown.
void CALLBACK ConfirmHotkeyDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND hotkeys = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindOwnedDialog, reinterpret_cast<LPARAM>(&hotkeys));
    if (!hotkeys) return;
    KillTimer(nullptr, timer);
    for (int id : {IDC_HOTKEY1_SHIFT, IDC_HOTKEY1_CTRL, IDC_HOTKEY1_ALT}) Click(hotkeys, id);
    Choose(hotkeys, IDC_HOTKEY1_KEY, 60);
    Press(hotkeys, IDOK);
}

TEST_F(SettingsDialogTest, CancelWritesNothingButKeepsHotkeysConfirmedMeanwhile) {
    HiddenWindow window;
    MainWindow = window.get();
    const bool confirmed = Drive(RunSettingsDialogWithoutOwner, [](HWND dialog) {
        Click(dialog, IDC_SETTINGS_BALLOON);
        settingsDialogForHotkeys = dialog;
        SetTimer(nullptr, 0, 10, ConfirmHotkeyDialog);
        Click(dialog, IDC_SETTINGS_HOTKEYS);  // returns once the hotkey dialog has ended
        EXPECT_TRUE(IsWindowVisible(dialog)) << "the settings dialog stays open";
        Press(dialog, IDCANCEL);
    });
    settingsDialogForHotkeys = nullptr;
    EXPECT_FALSE(confirmed);
    const auto& o = ProcessingOptions;
    EXPECT_TRUE(o.SK1_SHIFT && o.SK1_CTRL && o.SK1_ALT);
    EXPECT_EQ(o.SK1_VKEY, VK_F24);
    EXPECT_EQ(IniInteger(L"SK1_VKEY"), VK_F24) << "saved at once";
    EXPECT_FALSE(o.SHOW_BALLOON);
    EXPECT_EQ(IniInteger(L"SHOW_BALLOON"), 0);
    ReleaseHotkeys(window.get());
    MainWindow = nullptr;
}

TEST_F(SettingsDialogTest, TheShortcutIsCreatedFoundAtTheNextOpeningAndDeleted) {
    const struct {
        Language language;
        const wchar_t* file;
        const wchar_t* other;  // the other language's shortcut, never seen
    } cases[] = {{Language::English, L"Nuvela.lnk", L"ヌベラ.lnk"}, {Language::Japanese, L"ヌベラ.lnk", L"Nuvela.lnk"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        SetLanguage(c.language);
        const bool created = Drive(RunSettingsDialogWithoutOwner, [](HWND dialog) {
            EXPECT_FALSE(Checked(dialog, IDC_SETTINGS_STARTUP));
            Click(dialog, IDC_SETTINGS_STARTUP);
            Press(dialog, IDOK);
        });
        EXPECT_TRUE(created);
        ASSERT_TRUE(std::filesystem::exists(ShortcutFile(c.file)));
        EXPECT_FALSE(std::filesystem::exists(ShortcutFile(c.other)));
        const ShortcutContents shortcut = ReadShortcut(ShortcutFile(c.file).wstring());
        EXPECT_EQ(shortcut.target, ThisProgramPath());
        EXPECT_EQ(shortcut.arguments, L"");
        EXPECT_EQ(shortcut.hotkey, 0);
        Drive(RunSettingsDialogWithoutOwner, [](HWND dialog) {
            EXPECT_TRUE(Checked(dialog, IDC_SETTINGS_STARTUP));
            Click(dialog, IDC_SETTINGS_STARTUP);
            Press(dialog, IDOK);
        });
        EXPECT_FALSE(std::filesystem::exists(ShortcutFile(c.file)));
        EXPECT_TRUE(boxes().empty());
    }
}

TEST_F(SettingsDialogTest, AShortcutThatCannotBeMadeIsReportedAndTheRestIsApplied) {
    startupFolder = (folder_->path() / L"no such folder").wstring();
    const std::wstring path = startupFolder + L"\\Nuvela.lnk";
    const bool confirmed = Drive(RunSettingsDialogWithoutOwner, [](HWND dialog) {
        Click(dialog, IDC_SETTINGS_STARTUP);
        Click(dialog, IDC_SETTINGS_BALLOON);
        Press(dialog, IDOK);
    });
    EXPECT_TRUE(confirmed);
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, L"Cannot create a shortcut file.\n\n" + path);
    EXPECT_EQ(boxes()[0].caption, L"Nuvela");
    EXPECT_EQ(boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(ProcessingOptions.SHOW_BALLOON);
}

// Unchanged in size, the dialog's lower right corner meets the work area's. One taller (or wider)
// than the work area, as the Japanese one is at 150 % on a screen 800 pixels high, keeps its title
// bar in view instead: its top (or left) edge at the work area's.
TEST_F(SettingsDialogTest, WithoutBigDialogItSitsInTheLowerRightCornerOfTheWorkArea) {
    const RECT workArea = PrimaryWorkArea();
    for (const Language language : {Language::English, Language::Japanese}) {
        SetLanguage(language);
        Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            const RECT rect = WindowRect(dialog);
            SCOPED_TRACE(testing::Message() << (language == Language::Japanese ? "Japanese " : "English ")
                                            << Width(rect) << " x " << Height(rect) << " in a work area of "
                                            << Width(workArea) << " x " << Height(workArea));
            if (Width(rect) <= Width(workArea)) EXPECT_EQ(rect.right, workArea.right);
            else EXPECT_EQ(rect.left, workArea.left);
            if (Height(rect) <= Height(workArea)) EXPECT_EQ(rect.bottom, workArea.bottom);
            else EXPECT_EQ(rect.top, workArea.top);
            EXPECT_EQ(SettingsEnlargeState.scale, 0);
            Press(dialog, IDCANCEL);
        });
    }
}

// The enlarged dialog fills the work area's height or width in its lower right corner: larger on a
// screen with room to spare, smaller where the dialog does not fit (the Japanese one at 150 % on a
// screen 800 pixels high).
TEST_F(SettingsDialogTest, BigDialogFillsTheWorkAreaInsteadAndIsUndoneAtTheEnd) {
    const RECT workArea = PrimaryWorkArea();
    SetLanguage(Language::Japanese);
    RECT normal = {};
    Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
        normal = WindowRect(dialog);
        Press(dialog, IDCANCEL);
    });
    ProcessingOptions.BIGDIALOG = true;
    Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
        EXPECT_EQ(SettingsEnlargeState.dialog, dialog);
        EXPECT_TRUE(Checked(dialog, IDC_SETTINGS_BIGDIALOG));
        const double scale = SettingsEnlargeState.scale;
        const RECT rect = WindowRect(dialog);
        SCOPED_TRACE(testing::Message() << Width(normal) << " x " << Height(normal) << " scaled by " << scale
                                        << " to " << Width(rect) << " x " << Height(rect) << " in a work area of "
                                        << Width(workArea) << " x " << Height(workArea));
        EXPECT_EQ(scale > 1.0, Width(normal) < Width(workArea) && Height(normal) < Height(workArea));
        EXPECT_EQ(Width(rect), static_cast<LONG>(Width(normal) * scale));
        EXPECT_EQ(Height(rect), static_cast<LONG>(Height(normal) * scale));
        // filled to the pixel the scaling rounds down to
        EXPECT_TRUE(Width(rect) >= Width(workArea) - 1 || Height(rect) >= Height(workArea) - 1);
        EXPECT_EQ(rect.right, workArea.right);
        EXPECT_EQ(rect.bottom, workArea.bottom);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(SettingsEnlargeState.scale, 0);
}

TEST_F(SettingsDialogTest, OnlyAChangeOfTheEnlargedDialogBoxIsTold) {
    const wchar_t* const onText =
        L"「設定画面強制拡大」はテスト中の機能です。このチェックをONにすると、次回設定画面を開いたときから、"
        L"ダイアログのサイズが強制的に拡大されます。無理やり拡大をしているため、一部表示の乱れる部分があるかも"
        L"しれませんが、テスト中の機能ということで、ご容赦ください。";
    const wchar_t* const offText = L"次回設定画面を開いたときから、元のサイズに戻ります。";
    const struct {
        Language language;
        bool stored;
        int clicks;
        const wchar_t* told;  // null: no box
        bool result;
    } cases[] = {
        {Language::Japanese, false, 1, onText, true},   {Language::Japanese, true, 1, offText, false},
        {Language::Japanese, false, 2, nullptr, false}, {Language::Japanese, true, 2, nullptr, true},
        {Language::English, true, 0, nullptr, false},  // the English dialog has no such box
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clicks);
        SetLanguage(c.language);
        recorder_->Clear();
        ProcessingOptions.BIGDIALOG = c.stored;
        Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            for (int i = 0; i < c.clicks; ++i) Click(dialog, IDC_SETTINGS_BIGDIALOG);
            Press(dialog, IDOK);
        });
        EXPECT_EQ(ProcessingOptions.BIGDIALOG, c.result);
        if (!c.told) {
            EXPECT_TRUE(boxes().empty());
            continue;
        }
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, c.told);
        EXPECT_EQ(boxes()[0].caption, L"設定画面強制拡大");
        EXPECT_EQ(boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    }
}

// The box OK shows has no owner, so the dialog and the floating button still take clicks under it.
TEST_F(SettingsDialogTest, WhileOkShowsItsBoxFurtherOkAndCancelAreIgnoredAndOnlyItsOwnChangesAreKept) {
    const struct {
        const char* name;
        std::function<void(HWND dialog)> meanwhile;
        bool floating;
    } cases[] = {
        {"OK again", [](HWND dialog) { Press(dialog, IDOK); }, true},
        {"Cancel", [](HWND dialog) { Press(dialog, IDCANCEL); }, true},
        {"floating button closed",  // as its close box does: the option off, the dialog told
         [](HWND dialog) {
             ProcessingOptions.SHOW_FLOATING = false;
             CheckDlgButton(dialog, IDC_SHOW_FLOATING, BST_UNCHECKED);
             SendMessageW(dialog, WM_COMMAND, IDC_SHOW_FLOATING, 0);
         },
         false},
    };
    SetLanguage(Language::Japanese);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_->Clear();
        ProcessingOptions = ProcessingOptionsRecord{};
        ProcessingOptions.SHOW_FLOATING = true;
        HWND shown = nullptr;
        recorder_->onBox = [&](const test_support::RecordedBox&) {
            if (HWND dialog = std::exchange(shown, nullptr)) c.meanwhile(dialog);  // under the first box only
        };
        const bool confirmed = Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            Click(dialog, IDC_SETTINGS_BALLOON);
            Click(dialog, IDC_SETTINGS_BIGDIALOG);  // OK tells of it in a box
            shown = dialog;
            Press(dialog, IDOK);
        });
        recorder_->onBox = nullptr;
        EXPECT_TRUE(confirmed);
        EXPECT_EQ(boxes().size(), 1u) << "OK ran once";
        EXPECT_TRUE(ProcessingOptions.SHOW_BALLOON);
        EXPECT_TRUE(ProcessingOptions.BIGDIALOG);
        EXPECT_EQ(ProcessingOptions.SHOW_FLOATING, c.floating);
    }
}

TEST_F(SettingsDialogTest, WithoutAFeedbackAddressTheButtonIsHidden) {
    Drive(RunSettingsDialogWithoutOwner, [](HWND dialog) {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SETTINGS_FEEDBACK)));
        Press(dialog, IDCANCEL);
    });
}

TEST_F(SettingsDialogTest, FeedbackOpensTheAddressFromTheSystemDirectoryAndComesBack) {
    const std::wstring programFolder = test_support::ProgramFolder().wstring();
    const struct {
        Language language;
        const wchar_t* address;
        INT_PTR answer;
        const wchar_t* opened;
        const wchar_t* failureText;  // null: no box
    } cases[] = {
        {Language::English, L"https://feedback.example.invalid/form", 42,
         L"https://feedback.example.invalid/form?NUVELA", nullptr},
        {Language::English, L"https://feedback.example.invalid/form?lang=en", 33,
         L"https://feedback.example.invalid/form?lang=en&NUVELA", nullptr},
        {Language::English, L"https://feedback.example.invalid/", 2, L"https://feedback.example.invalid/?NUVELA",
         L"Cannot open web page."},
        {Language::Japanese, L"https://feedback.example.invalid/", 32, L"https://feedback.example.invalid/?NUVELA",
         L"ブラウザを開けません。\nブラウザが正しくインストールされているかを確認してください。\nまたは、"
         L"https://feedback.example.invalid/?NUVELAを直接開いて下さい。"},
    };
    std::wstring whileTold;
    recorder_->onBox = [&](const test_support::RecordedBox&) { whileTold = CurrentDirectory(); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.opened);
        SetLanguage(c.language);
        SetMakerAddresses({L"", L"", L"", c.address});
        webPageCalls.clear();
        webPageAnswer = c.answer;
        recorder_->Clear();
        std::wstring afterwards;
        Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_SETTINGS_FEEDBACK)));
            Press(dialog, IDC_SETTINGS_FEEDBACK);
            afterwards = CurrentDirectory();
            SetCurrentDirectoryW(folder_->path().c_str());  // the test's own ini file again
            Press(dialog, IDCANCEL);
        });
        ASSERT_EQ(webPageCalls.size(), 1u);
        EXPECT_EQ(webPageCalls[0].address, c.opened);
        EXPECT_EQ(webPageCalls[0].directory, SystemDirectoryPath());
        EXPECT_EQ(webPageCalls[0].currentDirectory, SystemDirectoryPath());
        EXPECT_EQ(afterwards, programFolder) << "the program's folder is current again";
        if (!c.failureText) {
            EXPECT_TRUE(boxes().empty());
            continue;
        }
        ASSERT_EQ(boxes().size(), 1u);
        EXPECT_EQ(boxes()[0].text, c.failureText);
        EXPECT_EQ(boxes()[0].caption, Tr(L"フィードバックページを表示", L"Browse"));
        EXPECT_EQ(boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_EQ(whileTold, programFolder) << "put back before the box, while the tray can still save";
    }
}

TEST_F(SettingsDialogTest, HelpOpensTheSettingsTopic) {
    Drive(RunSettingsDialogWithoutOwner, [](HWND dialog) {
        Press(dialog, IDHELP);
        EXPECT_TRUE(IsWindowVisible(dialog));
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(helpFiles, std::vector<std::wstring>{L".\\Nuvela.chm::/_RESOURCE/HLP000018.html"});
}

struct ChooserCall {
    std::wstring initial;
    std::wstring title;
    std::wstring firstFilter;
    DWORD flags;
    DWORD bufferUnits;
    bool owned;
};
std::vector<ChooserCall> chooserCalls;
std::vector<std::pair<const wchar_t*, DWORD>> chooserAnswers;  // chosen path (null: failure) and error

bool PlayChooser(OPENFILENAMEW& request, DWORD& error) {
    chooserCalls.push_back({request.lpstrFile, request.lpstrTitle, request.lpstrFilter, request.Flags,
                            request.nMaxFile, request.hwndOwner != nullptr});
    const auto [chosen, failure] = chooserAnswers.at(chooserCalls.size() - 1);
    if (!chosen) {
        error = failure;
        return false;
    }
    lstrcpynW(request.lpstrFile, chosen, static_cast<int>(request.nMaxFile));
    return true;
}

TEST_F(SettingsDialogTest, BrowseButtonsPutTheChosenFileIntoTheirField) {
    constexpr DWORD kFlags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    const struct {
        int button, edit;
        const wchar_t* initial;
        std::vector<std::pair<const wchar_t*, DWORD>> answers;
        std::vector<std::wstring> initials;  // what each showing of the chooser started from
        const wchar_t* title;
        const wchar_t* filter;
        const wchar_t* result;
    } cases[] = {
        {IDC_SETTINGS_SOUND_BROWSE, IDC_SETTINGS_SOUND_FILE, L"old.wav", {{L"C:\\new.wav", 0}}, {L"old.wav"},
         L"Choose a sound file", L"Sound files(*.wav)", L"C:\\new.wav"},
        {IDC_SETTINGS_CMDLINE_BROWSE, IDC_SETTINGS_CMDLINE, L"a|b", {{nullptr, FNERR_INVALIDFILENAME}, {L"C:\\t.exe", 0}},
         {L"a|b", L""}, L"Choose a file", L"All files(*.*)", L"C:\\t.exe"},
        {IDC_SETTINGS_CMDLINE_BROWSE, IDC_SETTINGS_CMDLINE, L"keep", {{nullptr, 0}}, {L"keep"}, L"Choose a file",
         L"All files(*.*)", L"keep"},  // cancelled
        {IDC_SETTINGS_SOUND_BROWSE, IDC_SETTINGS_SOUND_FILE, L"x", {{nullptr, FNERR_INVALIDFILENAME}, {nullptr, 0}},
         {L"x", L""}, L"Choose a sound file", L"Sound files(*.wav)", L"x"},  // invalid, then cancelled
    };
    SetFileChooser(PlayChooser);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.initial);
        chooserCalls.clear();
        chooserAnswers = c.answers;
        auto& o = ProcessingOptions;
        o = ProcessingOptionsRecord{};
        o.PLAY_SOUND = o.USE_CMDLINE = true;
        o.PLAY_SOUND_FNAME = o.CMDLINE = c.initial;
        Drive(RunSettingsDialogWithoutOwner, [&](HWND dialog) {
            Press(dialog, c.button);
            EXPECT_EQ(TextOf(dialog, c.edit), c.result);
            Press(dialog, IDOK);
        });
        ASSERT_EQ(chooserCalls.size(), c.initials.size());
        for (size_t i = 0; i < chooserCalls.size(); ++i) {
            EXPECT_EQ(chooserCalls[i].initial, c.initials[i]);
            EXPECT_EQ(chooserCalls[i].title, c.title);
            EXPECT_EQ(chooserCalls[i].firstFilter, c.filter);
            EXPECT_EQ(chooserCalls[i].flags, kFlags);
            EXPECT_EQ(chooserCalls[i].bufferUnits, 2050u);
            EXPECT_TRUE(chooserCalls[i].owned);
        }
        EXPECT_EQ(c.edit == IDC_SETTINGS_CMDLINE ? o.CMDLINE : o.PLAY_SOUND_FNAME, c.result);
    }
}

}  // namespace
}  // namespace dialog_test
