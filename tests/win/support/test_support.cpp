#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "settings.h"

namespace test_support {

std::filesystem::path ProgramFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return std::filesystem::path(path).parent_path();
}

std::filesystem::path NuvelaExe() { return ProgramFolder().parent_path() / L"Nuvela.exe"; }

TemporaryFolder::TemporaryFolder() : previous_(std::filesystem::current_path()) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    static unsigned made = 0;
    const std::wstring name = L"nuvela-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++made);
    path_ = std::filesystem::path(temp) / name;
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

ScopedEnvironmentVariable::ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value) : name_(name) {
    std::vector<wchar_t> previous(32768);
    const DWORD length = GetEnvironmentVariableW(name, previous.data(), static_cast<DWORD>(previous.size()));
    hadValue_ = length > 0 && length < previous.size();
    if (hadValue_) previous_.assign(previous.data(), length);
    SetEnvironmentVariableW(name, value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(name_.c_str(), hadValue_ ? previous_.c_str() : nullptr);
}

ChildProcess::ChildProcess(const std::wstring& commandLine, const ProcessOptions& options) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    const bool streams = options.input || options.output || options.error;
    if (streams) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = options.input;
        startup.hStdOutput = options.output;
        startup.hStdError = options.error;
    }
    PROCESS_INFORMATION info = {};
    // Wine now and then loses a new process while it starts, under load: CreateProcessW then fails
    // with ERROR_INTERNAL_ERROR, and the next try starts a new one. Any other failure is final.
    constexpr int kStartAttempts = 3;
    for (int attempt = 1;; ++attempt) {
        std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
        if (CreateProcessW(options.program.empty() ? nullptr : options.program.c_str(), mutableLine.data(), nullptr,
                           nullptr, streams, options.creationFlags, nullptr,
                           options.directory.empty() ? nullptr : options.directory.c_str(), &startup, &info))
            break;
        startError_ = GetLastError();
        if (startError_ != ERROR_INTERNAL_ERROR || attempt == kStartAttempts) return;
    }
    startError_ = 0;
    process_.reset(info.hProcess);
    CloseHandle(info.hThread);
    id_ = info.dwProcessId;
}

ChildProcess::~ChildProcess() {
    if (Running()) Terminate();
}

bool ChildProcess::Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

bool ChildProcess::WaitForExit(DWORD deadlineMs) {
    return process_ && WaitForSingleObject(process_.get(), deadlineMs) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_.get(), &code);
    return code;
}

void ChildProcess::Terminate() {
    if (!process_) return;
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 10000);
}

ProcessResult RunProcess(const std::wstring& commandLine, const std::filesystem::path& directory, DWORD timeoutMs) {
    ProcessOptions options;
    options.directory = directory;
    ChildProcess child(commandLine, options);
    ProcessResult result;
    result.started = child.started();
    if (!result.started) return result;
    result.finished = child.WaitForExit(timeoutMs);
    if (!result.finished) child.Terminate();
    result.exitCode = child.ExitCode();
    return result;
}

int IniInteger(const wchar_t* key, int missing, const std::filesystem::path& file) {
    return static_cast<int>(GetPrivateProfileIntW(kIniSection, key, missing, file.c_str()));
}

std::wstring IniText(const wchar_t* key, const std::filesystem::path& file, const wchar_t* section) {
    std::vector<wchar_t> buffer(8192);
    GetPrivateProfileStringW(section, key, L"<missing>", buffer.data(), static_cast<DWORD>(buffer.size()),
                             file.c_str());
    return buffer.data();
}

void WriteIni(const std::vector<std::pair<std::wstring, std::wstring>>& values, const std::filesystem::path& file) {
    if (!std::filesystem::exists(file)) {
        std::ofstream created(file, std::ios::binary);
        created.write("\xFF\xFE\x0D\x00\x0A\x00", 6);
    }
    for (const auto& [key, value] : values)
        WritePrivateProfileStringW(kIniSection, key.c_str(), value.c_str(), file.c_str());
}

namespace {

constexpr const wchar_t* kProductParents[] = {L"Software\\Tavernel\\Nuvela", L"Software\\Tavernel"};

bool IsEmptyKey(const wchar_t* path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    const UniqueKey key(opened);
    DWORD subkeys = 0, values = 0;
    return RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

}  // namespace

void DeleteProductKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistrySubkey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kRegistrySubkey);
    for (const wchar_t* parent : kProductParents)
        if (IsEmptyKey(parent)) RegDeleteKeyW(HKEY_CURRENT_USER, parent);
}

bool ProductKeyExists() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

void SetRawValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    const UniqueKey key(created);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

void SetRawString(const wchar_t* name, const std::wstring& text) {
    SetRawValue(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetRawDword(const wchar_t* name, DWORD value) { SetRawValue(name, REG_DWORD, &value, sizeof value); }

bool GetRawValue(const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    const UniqueKey key(opened);
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    data.assign(size, 0);
    return RegQueryValueExW(key.get(), name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
}

bool GetRawDword(const wchar_t* name, DWORD& value) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!GetRawValue(name, type, data) || type != REG_DWORD || data.size() != sizeof value) return false;
    std::memcpy(&value, data.data(), sizeof value);
    return true;
}

int IconWidth(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return 0;
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

int FontHeightOf(HWND window) {
    LOGFONTW font = {};
    const auto held = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    return held && GetObjectW(held, sizeof font, &font) ? font.lfHeight : 0;
}

bool RunUnixCommand(std::vector<const char*> arguments) {
    using SpawnFunction = LONG(CDECL*)(char* const argv[], int wait);
    const auto spawn = reinterpret_cast<SpawnFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "__wine_unix_spawnvp")));
    if (!spawn) return false;
    arguments.push_back(nullptr);
    return spawn(const_cast<char* const*>(arguments.data()), 1) == 0;
}

}  // namespace test_support
