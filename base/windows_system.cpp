#include "windows_system.h"

#include <string>

#include "scoped_win.h"

namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

}  // namespace

// GetVersionExW lies to programs without a manifest entry for the running version;
// RtlGetVersion does not.
OSVERSIONINFOEXW WindowsVersionRecord() {
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    UniqueModule ntdll(LoadSystemLibrary(L"ntdll.dll"));
    const auto rtlGetVersion =
        ntdll ? reinterpret_cast<RtlGetVersionFunction>(
                    reinterpret_cast<void*>(GetProcAddress(ntdll.get(), "RtlGetVersion")))
              : nullptr;
    if (rtlGetVersion) {
        rtlGetVersion(&info);
    } else {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
#pragma GCC diagnostic pop
    }
    return info;
}

const std::wstring& SystemDirectory() {
    static const std::wstring directory = [] {
        wchar_t buffer[520] = {};
        const UINT length = GetSystemDirectoryW(buffer, 520);
        return length > 0 && length < 520 ? std::wstring(buffer, length) : std::wstring();
    }();
    return directory;
}

std::wstring ProgramFilePath() {
    wchar_t path[1024] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, 1024);
    return length > 0 && length < 1024 ? std::wstring(path, length) : std::wstring();
}

int OsVersionNumber() {
    const OSVERSIONINFOEXW info = WindowsVersionRecord();
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT)
        return static_cast<int>(info.dwMajorVersion * 100 + info.dwMinorVersion);
    if (info.dwBuildNumber < 0x10000) return 400;
    return static_cast<int>(HIBYTE(HIWORD(info.dwBuildNumber)) * 100 + LOBYTE(HIWORD(info.dwBuildNumber)));
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    const std::wstring& systemDirectory = SystemDirectory();
    if (systemDirectory.empty()) return nullptr;
    wchar_t previous[520] = {};
    const DWORD length = GetCurrentDirectoryW(520, previous);
    if (length == 0 || length >= 520) previous[0] = L'\0';
    SetCurrentDirectoryW(systemDirectory.c_str());
    // The full path keeps the search away from every other folder, whatever the DLL search mode.
    HMODULE module = LoadLibraryW((systemDirectory + L"\\" + name).c_str());
    if (previous[0] != L'\0') SetCurrentDirectoryW(previous);
    return module;
}

void RestrictDllSearchToSystem() {
    // kernel32 is loaded in every process, so asking for its handle loads nothing.
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto setDefaultDllDirectories =
        kernel32 ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                       reinterpret_cast<void*>(GetProcAddress(kernel32, "SetDefaultDllDirectories")))
                 : nullptr;
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
    SetDllDirectoryW(L"");
}

INPUT KeyInput(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    const bool extended = key == VK_RCONTROL || key == VK_RMENU;
    input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}
