#include "dialog_fixture.h"

#include <utility>

#include "app_state.h"
#include "dialog_host.h"
#include "help_topic.h"
#include "options.h"
#include "settings.h"

namespace dialog_test {

std::vector<std::wstring> helpFiles;

namespace {

Script pendingScript;
bool scriptPlayed = false;
UINT_PTR scriptTimer = 0;

HWND WINAPI RecordHelp(HWND, const wchar_t* file, UINT command, DWORD_PTR) {
    if (command == 0) helpFiles.push_back(file ? file : L"");  // HH_DISPLAY_TOPIC
    return nullptr;
}

HtmlHelpFunction RecordingHelpLibrary() { return RecordHelp; }

BOOL CALLBACK FindShownDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (IsWindowVisible(window) && lstrcmpW(className, L"#32770") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK PlayScript(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShownDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;  // not shown yet; the modal loop shows it once it is idle
    KillTimer(nullptr, scriptTimer);
    scriptTimer = 0;
    scriptPlayed = true;
    const Script script = std::exchange(pendingScript, nullptr);
    script(dialog);
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // dropped when it has ended
}

}  // namespace

bool Drive(const std::function<bool()>& open, Script script) {
    pendingScript = std::move(script);
    scriptPlayed = false;
    scriptTimer = SetTimer(nullptr, 0, 10, PlayScript);
    const bool confirmed = open();
    if (scriptTimer) KillTimer(nullptr, scriptTimer);
    scriptTimer = 0;
    EXPECT_TRUE(scriptPlayed) << "the dialog was never shown";
    return confirmed;
}

void Click(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }

void Press(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Type(HWND dialog, int comboId, const std::wstring& text) {
    HWND edit = FindWindowExW(GetDlgItem(dialog, comboId), nullptr, L"Edit", nullptr);
    ASSERT_TRUE(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 0);
    for (wchar_t unit : text) SendMessageW(edit, WM_CHAR, unit, 0);
}

void Choose(HWND dialog, int comboId, int index) {
    HWND combo = GetDlgItem(dialog, comboId);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

std::wstring TextOf(HWND dialog, int id) {
    wchar_t text[4096] = {};
    GetDlgItemTextW(dialog, id, text, 4096);
    return text;
}

std::vector<std::wstring> ComboItems(HWND dialog, int comboId) {
    std::vector<std::wstring> items;
    const int count = static_cast<int>(SendDlgItemMessageW(dialog, comboId, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring item(static_cast<size_t>(SendDlgItemMessageW(dialog, comboId, CB_GETLBTEXTLEN, i, 0)), L'\0');
        SendDlgItemMessageW(dialog, comboId, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        items.push_back(item);
    }
    return items;
}

int Selection(HWND dialog, int comboId) {
    return static_cast<int>(SendDlgItemMessageW(dialog, comboId, CB_GETCURSEL, 0, 0));
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void DialogTest::SetUp() {
    folder_ = std::make_unique<test_support::TemporaryFolder>();
    recorder_ = std::make_unique<test_support::Recorder>();
    helpFiles.clear();
    SetHtmlHelpLoader(RecordingHelpLibrary);
    SetLanguage(Language::English);
    IniMode = true;
    ProcessingOptions = ProcessingOptionsRecord{};
    DialogBusy = false;
    ProgramInstance = GetModuleHandleW(nullptr);
    LoadProgramIcons(ProgramInstance);
}

void DialogTest::TearDown() {
    SetHtmlHelpLoader(nullptr);
    recorder_.reset();
    ProcessingOptions = ProcessingOptionsRecord{};
    IniMode = false;
    SetLanguage(Language::Japanese);
    folder_.reset();
}

}  // namespace dialog_test
