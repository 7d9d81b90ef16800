#include "nuvela_harness.h"

#include "clipboard_access.h"
#include "commands.h"
#include "messages.h"
#include "startup.h"

namespace test_support {

namespace {

struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (processId != search->processId || lstrcmpW(className, search->className) != 0) return TRUE;
    // The main window is never shown; dialogs must be on screen before they can be pressed.
    if (lstrcmpW(className, L"#32770") == 0 && !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

HWND WaitForWindow(DWORD processId, const wchar_t* className, DWORD deadlineMs) {
    HWND found = nullptr;
    clipboard_test::PumpUntil(
        [&] {
            WindowSearch search = {processId, className, nullptr};
            EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
            return (found = search.found) != nullptr;
        },
        deadlineMs);
    return found;
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

namespace {

ProcessOptions InFolder(const std::filesystem::path& exe, const std::filesystem::path& directory) {
    ProcessOptions options;
    options.program = exe;
    options.directory = directory;
    return options;
}

}  // namespace

StartedNuvela::StartedNuvela(const std::filesystem::path& exe, const std::wstring& arguments,
                             const std::filesystem::path& directory)
    : process_(L"\"" + exe.wstring() + L"\"" + (arguments.empty() ? L"" : L" " + arguments), InFolder(exe, directory)) {}

StartedNuvela::~StartedNuvela() {
    if (!Running()) return;
    if (HWND window = WaitForWindow(id(), kInstanceName, 0)) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    if (!WaitForExit(10000)) process_.Terminate();
    EXPECT_FALSE(Running()) << "process " << id() << " did not end";
}

HWND StartedNuvela::WaitForMainWindow(DWORD deadlineMs) const { return WaitForWindow(id(), kInstanceName, deadlineMs); }
HWND StartedNuvela::WaitForDialog(DWORD deadlineMs) const { return WaitForWindow(id(), L"#32770", deadlineMs); }

void NuvelaTest::SetUp() {
    language_ = std::make_unique<ScopedEnvironmentVariable>(L"NUVELA_LANG", L"en");  // inherited by every start
    DeleteProductKey();
    folder_ = std::make_unique<TemporaryFolder>();
    iniExe_ = Install(L"Nuvela_o.exe");
    WriteIni({{L"NoOpeningDlg", L"1"}});
}

void NuvelaTest::TearDown() {
    started_.clear();  // ends what is still running and checks it ended
    DeleteProductKey();
    folder_.reset();
    language_.reset();
}

std::filesystem::path NuvelaTest::Install(const wchar_t* name) {
    const auto target = folder_->path() / name;
    std::filesystem::copy_file(NuvelaExe(), target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

StartedNuvela& NuvelaTest::Start(const std::filesystem::path& exe, const std::wstring& arguments,
                                 const std::filesystem::path& directory) {
    started_.push_back(std::make_unique<StartedNuvela>(exe, arguments, directory.empty() ? folder_->path() : directory));
    return *started_.back();
}

bool NuvelaTest::RunSecond(const std::wstring& arguments, DWORD& exitCode) {
    StartedNuvela& second = Start(iniExe_, arguments);
    if (!second.ok() || !second.WaitForExit()) return false;
    exitCode = second.ExitCode();
    return true;
}

bool NuvelaTest::SwitchMonitoringOffBehindQueuedMessages(HWND window) {
    // The running instance holds FEL_UNIQ as 0 in every test; its save writes that back.
    WriteIni({{L"FEL_UNIQ", L"7"}});
    if (!PostMessageW(window, WM_APP_COMMAND, IDM_WATCH_OFF, 0)) return false;
    return clipboard_test::PumpUntil([] { return IniInteger(L"FEL_UNIQ") == 0; }, 15000);
}

}  // namespace test_support
