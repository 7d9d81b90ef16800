#include "e2e_support.h"

#include <fstream>

namespace e2e {

namespace {

constexpr wchar_t kProductKey[] = L"Software\\Tavernel\\Nuvela\\CurrentVersion";

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

std::wstring IniPath(const std::filesystem::path& folder) { return (folder / L"Nuvela.ini").wstring(); }

}  // namespace

Started::Started(const std::filesystem::path& exe, const std::wstring& arguments,
                 const std::filesystem::path& directory) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Named apart from the command line, so a name without ".exe" (a Unix tool) is taken as it is.
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(),
                        &startup, &info))
        return;
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    id_ = info.dwProcessId;
}

Started::~Started() {
    if (!process_ || !Running()) return;
    // Ended as a second start's "/X" ends it, so it can still remove its icon; forced only after.
    if (HWND window = WaitForWindow(id_, L"NuvelaClipboardText", 0)) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    if (!WaitForExit(10000)) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 10000);
    }
    EXPECT_FALSE(Running()) << "process " << id_ << " did not end";
}

bool Started::WaitForExit(DWORD deadlineMs) {
    return process_ && WaitForSingleObject(process_.get(), deadlineMs) == WAIT_OBJECT_0;
}

DWORD Started::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

bool Started::Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

HWND WaitForWindow(DWORD processId, const wchar_t* className, DWORD deadlineMs) {
    const ULONGLONG deadline = GetTickCount64() + deadlineMs;
    for (;;) {
        WindowSearch search = {processId, className, nullptr};
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount64() >= deadline) return search.found;
        Sleep(50);
    }
}

HWND WaitForMainWindow(DWORD processId) { return WaitForWindow(processId, L"NuvelaClipboardText"); }
HWND WaitForDialog(DWORD processId) { return WaitForWindow(processId, L"#32770"); }

std::wstring WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

void PressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

int IniInteger(const std::filesystem::path& folder, const wchar_t* key, int missing) {
    return static_cast<int>(GetPrivateProfileIntW(L"Zelmora", key, missing, IniPath(folder).c_str()));
}

std::wstring IniText(const std::filesystem::path& folder, const wchar_t* key) {
    wchar_t buffer[2050] = {};
    GetPrivateProfileStringW(L"Zelmora", key, L"<missing>", buffer, 2050, IniPath(folder).c_str());
    return buffer;
}

void WriteIni(const std::filesystem::path& folder, const std::vector<std::pair<std::wstring, std::wstring>>& values) {
    if (!std::filesystem::exists(IniPath(folder))) {
        std::ofstream file(std::filesystem::path(IniPath(folder)), std::ios::binary);
        file.write("\xFF\xFE\x0D\x00\x0A\x00", 6);  // UTF-16LE, as the program creates it
    }
    for (const auto& [key, value] : values)
        WritePrivateProfileStringW(L"Zelmora", key.c_str(), value.c_str(), IniPath(folder).c_str());
}

void DeleteProductKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tavernel\\Nuvela");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Tavernel");  // only when nothing else lives there
}

bool ReadRegistryDword(const wchar_t* name, DWORD& value) {
    DWORD size = sizeof value;
    return RegGetValueW(HKEY_CURRENT_USER, kProductKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
           ERROR_SUCCESS;
}

void WriteRegistryDword(const wchar_t* name, DWORD value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kProductKey, name, REG_DWORD, &value, sizeof value);
}

void E2ETest::SetUp() {
    wchar_t language[160] = {};
    hadLanguage_ = GetEnvironmentVariableW(L"NUVELA_LANG", language, 160) > 0;
    previousLanguage_ = language;
    SetEnvironmentVariableW(L"NUVELA_LANG", L"en");  // inherited by every start
    DeleteProductKey();
    folder_ = std::make_unique<test_support::TemporaryFolder>();
    iniExe_ = Install(L"Nuvela_o.exe");
    WriteIni(folder_->path(), {{L"NoOpeningDlg", L"1"}});
}

void E2ETest::TearDown() {
    started_.clear();  // ends what is still running and checks it ended
    DeleteProductKey();
    folder_.reset();
    SetEnvironmentVariableW(L"NUVELA_LANG", hadLanguage_ ? previousLanguage_.c_str() : nullptr);
}

std::filesystem::path E2ETest::Install(const wchar_t* name) {
    const auto target = folder_->path() / name;
    std::filesystem::copy_file(test_support::NuvelaExe(), target, std::filesystem::copy_options::overwrite_existing);
    return target;
}

Started& E2ETest::Start(const std::filesystem::path& exe, const std::wstring& arguments) {
    return Start(exe, arguments, folder_->path());
}

Started& E2ETest::Start(const std::filesystem::path& exe, const std::wstring& arguments,
                        const std::filesystem::path& directory) {
    started_.push_back(std::make_unique<Started>(exe, arguments, directory));
    return *started_.back();
}

bool E2ETest::RunSecond(const std::wstring& arguments, DWORD& exitCode) {
    Started& second = Start(iniExe_, arguments);
    if (!second.ok() || !second.WaitForExit()) return false;
    exitCode = second.ExitCode();
    return true;
}

}  // namespace e2e
