#include "about_box.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include "about_texts.h"
#include "dpi.h"
#include "environment_report.h"
#include "exception_guard.h"
#include "message_box.h"
#include "scoped_win.h"
#include "tooltip_window.h"
#include "windows_system.h"

namespace {

constexpr size_t kTemplateBytes = 2048;
constexpr DWORD kAboutStyle = 0x80C808C0;  // popup, caption, system menu, modal frame, centred, own font
constexpr short kAboutWidth = 239;
constexpr LONG kLinkLimit = 2048;               // a link this long or longer is not opened
constexpr UINT kLinkLockMilliseconds = 1000;
constexpr size_t kClipboardBytes = 16384;       // the report is cut to what fits, 8191 characters
constexpr UINT_PTR kNoticeSubclassId = 1;
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;

static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(DLGITEMTEMPLATE) == 18, "the packed template records");

const wchar_t* Pick(bool japanese, const wchar_t* ja, const wchar_t* en) { return japanese ? ja : en; }

INT_PTR SystemShellOpen(HWND window, const std::wstring& address, const std::wstring& directory) {
    return reinterpret_cast<INT_PTR>(
        ShellExecuteW(window, L"open", address.c_str(), nullptr, directory.c_str(), SW_SHOWNORMAL));
}

ShellOpenFunction shellOpen = SystemShellOpen;
LibraryLoader richEditLoader = LoadSystemLibrary;

// ---- The template, built in memory at each opening.

struct ControlSpec {
    int id;
    WORD classAtom;            // 0: the class is named
    const wchar_t* className;
    short x, y, cx, cy;
    DWORD style;
    DWORD exStyle;
    std::wstring text;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPushButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;

// The box is built in rows, top to bottom, in dialog units. A row with nothing to show (no maker
// addresses for the contact block, no address for either link button) is left out, so what follows
// moves up and the box is shorter instead of keeping an empty band.
constexpr short kHeaderRowTop = 7;
constexpr short kContactRowTop = 46;
constexpr short kContactRowHeight = 91;  // the block and the gap below it
constexpr short kLinkRowHeight = 19;     // the buttons and the gap below them
constexpr short kNoticeHeight = 80;
constexpr short kNoticeGap = 4;
constexpr short kBottomRowHeight = 14;
constexpr short kMargin = 7;

struct AboutRows {
    bool contactShown;
    short contact, links, notice, bottom, height;
};

AboutRows RowsOf(const AboutBoxParams& params, bool withRichEdit) {
    const bool contact = withRichEdit && !(params.webSite.empty() && params.contact.empty());
    const bool links = !(params.contributionUrl.empty() && params.feedbackUrl.empty());
    AboutRows rows = {};
    rows.contactShown = contact;
    rows.contact = kContactRowTop;
    rows.links = static_cast<short>(rows.contact + (contact ? kContactRowHeight : 0));
    rows.notice = static_cast<short>(rows.links + (links ? kLinkRowHeight : 0));
    rows.bottom = static_cast<short>(rows.notice + kNoticeHeight + kNoticeGap);
    rows.height = static_cast<short>(rows.bottom + kBottomRowHeight + kMargin);
    return rows;
}

std::vector<ControlSpec> AboutControls(const AboutBoxParams& params, bool withRichEdit) {
    const bool ja = params.japanese;
    const AboutRows rows = RowsOf(params, withRichEdit);
    std::vector<ControlSpec> controls = {
        {IDC_ABOUT_CONTRIBUTION, kButtonAtom, nullptr, 119, rows.links, 110, 14, kPushButton, 0,
         Pick(ja, L"開発支援金の受付について(&K)", L"Contribution(&K)")},
        {IDC_ABOUT_NOTICE, kEditAtom, nullptr, 7, rows.notice, 225, kNoticeHeight,
         kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY, WS_EX_CLIENTEDGE, L"(NULL)"},
        {IDCANCEL, kButtonAtom, nullptr, 7, rows.bottom, 50, kBottomRowHeight, kChild | WS_TABSTOP | BS_DEFPUSHBUTTON,
         0, Pick(ja, L"閉じる(&C)", L"&Close")},
        {IDC_ABOUT_ENVIRONMENT, kButtonAtom, nullptr, 60, rows.bottom, 172, kBottomRowHeight, kPushButton, 0,
         Pick(ja, L"環境情報の表示(問合せの際にご活用下さい)(&E)", L"&Environment Information")},
        {IDC_ABOUT_ICON, kStaticAtom, nullptr, 7, kHeaderRowTop, 32, 32, kChild | SS_ICON, 0,
         L"#" + std::to_wstring(params.iconId)},
        {IDC_ABOUT_VERSION, kEditAtom, nullptr, 35, kHeaderRowTop, 197, 37,
         kChild | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 0, L"(NULL)"},
    };
    const DWORD contactShown = rows.contactShown ? WS_VISIBLE : 0;
    if (withRichEdit)
        controls.push_back({IDC_ABOUT_CONTACT, 0, RICHEDIT_CLASSW, 7, rows.contact, 225, kContactRowHeight - 1,
                            WS_CHILD | contactShown | WS_TABSTOP | ES_MULTILINE | ES_READONLY, 0, L"(NULL)"});
    controls.push_back({IDC_ABOUT_FEEDBACK, kButtonAtom, nullptr, 7, rows.links, 110, 14, kPushButton, 0,
                        Pick(ja, L"フィードバック受付(&F)", L"&Feedback")});
    return controls;
}

// Writes into a block of fixed size; anything that would run past its end marks the whole as failed.
class TemplateWriter {
public:
    TemplateWriter(BYTE* block, size_t size) : block_(block), size_(size) {}
    bool failed() const { return failed_; }
    void Put(const void* bytes, size_t count) {
        if (failed_ || used_ + count > size_) {
            failed_ = true;
            return;
        }
        std::memcpy(block_ + used_, bytes, count);
        used_ += count;
    }
    void Word(WORD word) { Put(&word, sizeof word); }
    void Text(const std::wstring& text) { Put(text.c_str(), (text.size() + 1) * sizeof(wchar_t)); }
    // The block is zero-initialised, so skipping is padding.
    void AlignToDword() {
        used_ = (used_ + 3) & ~size_t{3};
        if (used_ > size_) failed_ = true;
    }

private:
    BYTE* block_;
    size_t size_;
    size_t used_ = 0;
    bool failed_ = false;
};

bool WriteAboutTemplate(BYTE* block, size_t size, const AboutBoxParams& params, bool withRichEdit) {
    const std::vector<ControlSpec> controls = AboutControls(params, withRichEdit);
    TemplateWriter out(block, size);
    DLGTEMPLATE header = {};
    header.style = kAboutStyle;
    header.cdit = static_cast<WORD>(controls.size());
    header.cx = kAboutWidth;
    header.cy = RowsOf(params, withRichEdit).height;
    out.Put(&header, sizeof header);
    out.Word(0);  // no menu
    out.Word(0);  // the standard dialog class
    out.Text(Pick(params.japanese, L"バージョン情報", L"About"));
    out.Word(params.japanese ? 9 : 8);
    out.Text(Pick(params.japanese, L"ＭＳ Ｐゴシック", L"MS Sans Serif"));
    for (const ControlSpec& control : controls) {
        out.AlignToDword();
        const DLGITEMTEMPLATE item = {control.style, control.exStyle, control.x, control.y,
                                      control.cx, control.cy, static_cast<WORD>(control.id)};
        out.Put(&item, sizeof item);
        if (control.classAtom) {
            out.Word(0xFFFF);
            out.Word(control.classAtom);
        } else {
            out.Text(control.className);
        }
        out.Text(control.text);
        out.Word(0);  // no creation data
    }
    return !out.failed();
}

// ---- The dialog.

struct AboutState {
    AboutBoxParams params;
    UniqueIcon icon;  // the one shown top left, made for the box's DPI; released after the box is gone
};

const AboutState& StateOf(HWND dialog) {
    return *reinterpret_cast<const AboutState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

const TooltipEntry kTooltipsJa[] = {
    {IDC_ABOUT_CONTRIBUTION, L"開発支援金の受付について詳細を表示します"},
    {IDCANCEL, L"このダイアログを閉じます"},
    {IDC_ABOUT_ENVIRONMENT, L"環境情報を表示します。制作元に質問を出す場合には、これで表示された情報を添付して下さい"},
    {IDC_ABOUT_FEEDBACK, L"制作元へ連絡、感想、改善要望あるいは現状維持要望などを気軽に送りたい場合に利用します。"
                         L"インターネット接続が必要です"},
};

const TooltipEntry kTooltipsEn[] = {
    {IDC_ABOUT_CONTRIBUTION, L"About contribution"},
    {IDCANCEL, L"Closes this dialog box."},
    {IDC_ABOUT_ENVIRONMENT, L"Displays Information of this environment."},
    {IDC_ABOUT_FEEDBACK, L"Opens feedback page."},
};

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring CurrentDirectory() {
    wchar_t directory[1024] = {};
    const DWORD length = GetCurrentDirectoryW(1024, directory);
    return length > 0 && length < 1024 ? std::wstring(directory, length) : std::wstring();
}

void ShowContactBlock(HWND contact, const AboutBoxParams& params) {
    SendMessageW(contact, EM_AUTOURLDETECT, TRUE, 0);  // before the text, so its addresses become links
    const LRESULT mask = SendMessageW(contact, EM_GETEVENTMASK, 0, 0);
    SendMessageW(contact, EM_SETEVENTMASK, 0, mask | ENM_LINK | ENM_SELCHANGE | ENM_MOUSEEVENTS);
    SendMessageW(contact, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_BTNFACE)));
    SetWindowTextW(contact, ContactBlockText(params.japanese, params.webSite, params.contact).c_str());
}

// Without a readable version resource both boxes keep their placeholder.
void ShowVersionAndContact(HWND dialog, const AboutBoxParams& params) {
    const std::optional<VersionStrings> strings = ReadVersionStrings(ProgramFilePath());
    if (!strings) return;
    SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, VersionBoxText(*strings, params.productName, params.japanese).c_str());
    if (HWND contact = GetDlgItem(dialog, IDC_ABOUT_CONTACT)) ShowContactBlock(contact, params);
}

// Ctrl+A arrives as character 1, which a multi-line edit box would otherwise ignore.
LRESULT CALLBACK NoticeProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_CHAR && wParam == 1) {
        SendMessageW(edit, EM_SETSEL, 0, -1);
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(edit, NoticeProc, kNoticeSubclassId);
    return DefSubclassProc(edit, message, wParam, lParam);
}

void EnableLockedButtons(HWND dialog, bool enabled) {
    for (int id : {IDC_ABOUT_ENVIRONMENT, IDC_ABOUT_CONTRIBUTION, IDC_ABOUT_FEEDBACK})
        EnableWindow(GetDlgItem(dialog, id), enabled);
}

// For one second, so that a double click opens one browser window.
void LockButtons(HWND dialog) {
    EnableLockedButtons(dialog, false);
    SetTimer(dialog, IDT_ABOUT_LINK_LOCK, kLinkLockMilliseconds, nullptr);
}

void OnLinkLockTimer(HWND dialog) {
    KillTimer(dialog, IDT_ABOUT_LINK_LOCK);
    EnableLockedButtons(dialog, true);
}

void OpenLink(HWND dialog, HWND contact, CHARRANGE range) {
    const LONG length = range.cpMax - range.cpMin;
    if (length <= 0 || length >= kLinkLimit) return;
    SendMessageW(contact, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    std::wstring link(static_cast<size_t>(kLinkLimit), L'\0');
    link.resize(static_cast<size_t>(SendMessageW(contact, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(link.data()))));
    if (link.empty()) return;
    LockButtons(dialog);
    if (shellOpen(dialog, link, SystemDirectory()) > 32) return;
    const AboutBoxParams& params = StateOf(dialog).params;
    ShowMessageBox(nullptr,
                   params.japanese ? link + L"を開けませんでした。\n上記のURLを直接開いて下さい。"
                                   : std::wstring(L"Cannot open a browser"),
                   params.productName, MB_OK | MB_ICONERROR);
}

// The page opens from the system directory, so the browser started does not hold ours.
void OpenMakerPage(HWND dialog, const std::wstring& address) {
    LockButtons(dialog);
    const std::wstring previous = CurrentDirectory();
    SetCurrentDirectoryW(SystemDirectory().c_str());
    const INT_PTR opened = shellOpen(dialog, address, SystemDirectory());
    // Back before any box: the tray and hotkeys stay live under an unowned box, and a save made
    // meanwhile addresses the ini file relative to the current directory.
    if (!previous.empty()) SetCurrentDirectoryW(previous.c_str());
    if (opened > 32) return;
    const AboutBoxParams& params = StateOf(dialog).params;
    ShowMessageBox(nullptr,
                   params.japanese ? address + L"を開けませんでした。\n上記のファイルまたはURLを直接開いて下さい。"
                                   : L"Cannot open " + address + L".",
                   params.productName, MB_OK | MB_ICONERROR);
}

enum class CopyOutcome { CannotOpen, OutOfMemory, CannotLock, CannotEmpty, Refused, Copied };

// The clipboard is open only here; the outcome is told once it is closed again.
CopyOutcome CopyToClipboard(HWND owner, const std::wstring& report) {
    ClipboardSession clipboard;
    if (!clipboard.Open(owner)) return CopyOutcome::CannotOpen;
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kClipboardBytes));
    if (!block) return CopyOutcome::OutOfMemory;
    {
        GlobalMemoryLock lock(block.get());
        if (!lock.data()) return CopyOutcome::CannotLock;
        const size_t units = std::min(report.size(), kClipboardBytes / sizeof(wchar_t) - 1);  // the last stays 0
        std::memcpy(lock.data(), report.data(), units * sizeof(wchar_t));
    }
    if (!EmptyClipboard()) return CopyOutcome::CannotEmpty;
    if (!SetClipboardData(CF_UNICODETEXT, block.get())) return CopyOutcome::Refused;
    block.release();  // the clipboard's now
    return CopyOutcome::Copied;
}

void TellCopyOutcome(CopyOutcome outcome, bool japanese, const wchar_t* caption) {
    struct Told {
        UINT icon;
        const wchar_t* ja;
        const wchar_t* en;
    };
    static const Told told[] = {
        {MB_ICONERROR, L"クリップボードを開けません。", L"Cannot open clipboard."},
        {MB_ICONERROR, L"作業用のメモリが足りません。", L"Out of memory."},
        {MB_ICONERROR, L"GlobalLock失敗。", L"GlobalLock error."},
        {MB_ICONERROR, L"クリップボードを空にできません。", L"EmptyClipboard error."},
        {MB_ICONINFORMATION, L"クリップボードへのコピーに失敗しました。", L"Clipboard error."},
        {MB_ICONINFORMATION, L"クリップボードへコピーしました。", L"Writing data to Clipboard."},
    };
    const Told& t = told[static_cast<int>(outcome)];
    ShowMessageBox(nullptr, Pick(japanese, t.ja, t.en), caption, MB_OK | t.icon);
}

void ShowEnvironmentReport(HWND dialog) {
    const bool ja = StateOf(dialog).params.japanese;
    const std::wstring report = BuildEnvironmentReport() + L"\r\n[Client]\r\n " +
                                VersionLineOf(WindowText(GetDlgItem(dialog, IDC_ABOUT_VERSION)));
    const wchar_t* caption = Pick(ja, L"環境情報の表示(簡易版)", L"Orvanel");
    const std::wstring shown = report + L"\r\n------------------------\r\n" +
                               Pick(ja, L"クリップボードにコピーする場合は[OK]ボタンを押して下さい。",
                                    L"Please click the [OK] button to copy to clipboard.");
    if (ShowMessageBox(nullptr, shown, caption, MB_OKCANCEL) != IDOK) return;
    TellCopyOutcome(CopyToClipboard(dialog, report), ja, caption);
}

// The template's icon control loads the icon at the system DPI's size; the box's monitor may have
// another DPI.
void ShowIconForDpi(HWND dialog, AboutState& state) {
    const AboutBoxParams& params = state.params;
    state.icon.reset(LoadIconAtSize(params.instance, MAKEINTRESOURCEW(params.iconId), ScaleForDpi(32, DpiOf(dialog))));
    if (state.icon)
        SendDlgItemMessageW(dialog, IDC_ABOUT_ICON, STM_SETICON, reinterpret_cast<WPARAM>(state.icon.get()), 0);
}

BOOL OnInitDialog(HWND dialog, AboutState* state) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    const AboutBoxParams& params = state->params;
    // A shared icon of the module: the system keeps it, nothing to destroy.
    if (HICON icon = LoadIconW(params.instance, MAKEINTRESOURCEW(params.iconId)))
        SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ShowIconForDpi(dialog, *state);
    ShowVersionAndContact(dialog, params);
    SetDlgItemTextW(dialog, IDC_ABOUT_NOTICE, params.notice.c_str());
    SetWindowSubclass(GetDlgItem(dialog, IDC_ABOUT_NOTICE), NoticeProc, kNoticeSubclassId, 0);
    if (params.feedbackUrl.empty()) ShowWindow(GetDlgItem(dialog, IDC_ABOUT_FEEDBACK), SW_HIDE);
    const bool contribution = !params.contributionUrl.empty();
    if (!contribution) {
        ShowWindow(GetDlgItem(dialog, IDC_ABOUT_CONTRIBUTION), SW_HIDE);
        SetFocus(GetDlgItem(dialog, IDCANCEL));
    }
    if (params.japanese) CreateDialogTooltips(dialog, kTooltipsJa);
    else CreateDialogTooltips(dialog, kTooltipsEn);
    return contribution;  // FALSE: the focus is set
}

// A press that arrives while its button is locked, queued behind the first, does nothing.
bool IsUsable(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void OnCommand(HWND dialog, WORD id) {
    if ((id == IDC_ABOUT_CONTRIBUTION || id == IDC_ABOUT_FEEDBACK || id == IDC_ABOUT_ENVIRONMENT) &&
        !IsUsable(dialog, id))
        return;
    switch (id) {
    case IDCANCEL: EndDialog(dialog, IDCANCEL); break;
    case IDC_ABOUT_CONTRIBUTION: OpenMakerPage(dialog, StateOf(dialog).params.contributionUrl); break;
    case IDC_ABOUT_FEEDBACK: OpenMakerPage(dialog, StateOf(dialog).params.feedbackUrl); break;
    case IDC_ABOUT_ENVIRONMENT: ShowEnvironmentReport(dialog); break;
    default: break;
    }
}

void OnNotify(HWND dialog, const NMHDR& header) {
    if (header.idFrom != IDC_ABOUT_CONTACT || header.code != EN_LINK) return;
    const auto& link = reinterpret_cast<const ENLINK&>(header);
    if (link.msg == WM_LBUTTONDOWN) OpenLink(dialog, header.hwndFrom, link.chrg);
}

INT_PTR AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, reinterpret_cast<AboutState*>(lParam));
    case WM_COMMAND: OnCommand(dialog, LOWORD(wParam)); return TRUE;
    case WM_NOTIFY: OnNotify(dialog, *reinterpret_cast<const NMHDR*>(lParam)); return FALSE;
    case WM_TIMER:
        if (wParam != IDT_ABOUT_LINK_LOCK) return FALSE;
        OnLinkLockTimer(dialog);
        return TRUE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK GuardedAboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallGuarded(dialog, INT_PTR{FALSE}, [&] { return AboutDlgProc(dialog, message, wParam, lParam); });
}

}  // namespace

bool ShowAboutBox(const AboutBoxParams& params) {
    // Declared first, so the library is released only after the dialog has gone.
    UniqueModule richEdit(richEditLoader(L"RICHED20.DLL"));
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, kTemplateBytes));
    if (!block) return false;
    GlobalMemoryLock memory(block.get());
    auto* bytes = static_cast<BYTE*>(memory.data());
    if (!bytes || !WriteAboutTemplate(bytes, kTemplateBytes, params, static_cast<bool>(richEdit))) return false;
    AboutState state{params, {}};
    return DialogBoxIndirectParamW(params.instance, reinterpret_cast<const DLGTEMPLATE*>(bytes), params.owner,
                                   GuardedAboutDlgProc, reinterpret_cast<LPARAM>(&state)) != -1;
}

ShellOpenFunction SetShellOpenFunction(ShellOpenFunction function) {
    return std::exchange(shellOpen, function ? function : SystemShellOpen);
}

LibraryLoader SetRichEditLoader(LibraryLoader loader) {
    return std::exchange(richEditLoader, loader ? loader : LoadSystemLibrary);
}
