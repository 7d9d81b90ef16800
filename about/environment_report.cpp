#include "environment_report.h"

#include <cstdio>
#include <cstdlib>

#include "scoped_win.h"
#include "windows_system.h"

namespace {

using GetProductInfoFunction = BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, DWORD*);

constexpr wchar_t kPolicyKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// Numbers only: wide %s means different things to the two C runtimes MinGW can use.
template <typename... Numbers>
std::wstring Printf(const wchar_t* format, Numbers... numbers) {
    wchar_t buffer[128] = {};
    const int length = std::swprintf(buffer, 128, format, numbers...);
    return length > 0 ? std::wstring(buffer, static_cast<size_t>(length)) : std::wstring();
}

template <typename Function>
Function ProcedureOf(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

OSVERSIONINFOEXW ReadVersionRecord() {
    OSVERSIONINFOEXW version = WindowsVersionRecord();
    NormaliseVersionRecord(version);
    return version;
}

DWORD ReadProductInfo(const OSVERSIONINFOEXW& version) {
    // kernel32 is in every process: asking for its handle loads nothing.
    const auto getProductInfo =
        ProcedureOf<GetProductInfoFunction>(GetModuleHandleW(L"kernel32.dll"), "GetProductInfo");
    DWORD type = 0;
    if (getProductInfo &&
        !getProductInfo(version.dwMajorVersion, version.dwMinorVersion, version.wServicePackMajor,
                        version.wServicePackMinor, &type))
        type = 0;
    return type;
}

std::wstring ReadCountry() {
    wchar_t country[128] = {};
    const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SENGCOUNTRY, country, 128);
    return length > 1 ? std::wstring(country) : std::wstring();
}

std::optional<DWORD> ReadPolicyNumber(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value)
        return std::nullopt;
    return value;
}

std::optional<UacPolicy> ReadUacPolicy() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPolicyKey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return std::nullopt;
    UniqueKey key(opened);
    return UacPolicy{ReadPolicyNumber(key.get(), L"EnableLUA"), ReadPolicyNumber(key.get(), L"PromptOnSecureDesktop"),
                     ReadPolicyNumber(key.get(), L"ConsentPromptBehaviorAdmin"),
                     ReadPolicyNumber(key.get(), L"ConsentPromptBehaviorUser")};
}

int ReadBitsPerPixel() {
    const WindowDc screen;
    if (!screen.get()) return 0;
    return GetDeviceCaps(screen.get(), BITSPIXEL) * GetDeviceCaps(screen.get(), PLANES);
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, RECT*, LPARAM found) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<MonitorFacts>*>(found)->push_back(
            {info.rcMonitor, info.rcWork, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

// The bias in force now, summer time included.
LONG CurrentBias() {
    TIME_ZONE_INFORMATION zone = {};
    switch (GetTimeZoneInformation(&zone)) {
    case TIME_ZONE_ID_STANDARD: return zone.Bias + zone.StandardBias;
    case TIME_ZONE_ID_DAYLIGHT: return zone.Bias + zone.DaylightBias;
    case TIME_ZONE_ID_INVALID: return 0;
    default: return zone.Bias;
    }
}

std::wstring RectText(const RECT& rect) {
    return Printf(L"(%d,%d)-(%d,%d)", static_cast<int>(rect.left), static_cast<int>(rect.top),
                  static_cast<int>(rect.right), static_cast<int>(rect.bottom));
}

std::wstring PolicyNumberText(const std::optional<DWORD>& value) {
    return value ? std::to_wstring(*value) : std::wstring();
}

std::wstring UacText(const UacPolicy& uac) {
    return L"EnableLUA=" + PolicyNumberText(uac.enableLua) + L", PromptOnSecureDesktop=" +
           PolicyNumberText(uac.promptOnSecureDesktop) + L", ConsentPromptBehaviorAdmin=" +
           PolicyNumberText(uac.consentPromptBehaviorAdmin) + L", ConsentPromptBehaviorUser=" +
           PolicyNumberText(uac.consentPromptBehaviorUser);
}

std::wstring WindowsSection(const EnvironmentFacts& facts) {
    const OSVERSIONINFOEXW& v = facts.version;
    std::wstring text = L"[Windows]";
    text += L"\r\n Platform Id\t: " + PlatformIdText(v.dwPlatformId);
    text += L"\r\n OS Version  \t: " +
            Printf(L"%u.%u.%u ", static_cast<unsigned>(v.dwMajorVersion), static_cast<unsigned>(v.dwMinorVersion),
                   static_cast<unsigned>(v.dwBuildNumber)) +
            std::wstring(v.szCSDVersion, wcsnlen(v.szCSDVersion, 128));
    text += L"\r\n ServicePack\t: " +
            Printf(L"%u.%u ", static_cast<unsigned>(v.wServicePackMajor), static_cast<unsigned>(v.wServicePackMinor));
    text += L"\r\n Architecture\t: x64";
    text += L"\r\n ProductType\t: " + ProductTypeText(v.wProductType);
    if (v.dwMajorVersion >= 6) text += L"\r\n ProductInfo.\t: " + Printf(L"0x%08x", static_cast<unsigned>(facts.productInfo));
    text += L"\r\n SuiteMask\t: " + Printf(L"0x%04x", static_cast<unsigned>(v.wSuiteMask));
    text += L"\r\n SafeMode\t: " + SafeModeText(facts.cleanBoot);
    text += L"\r\n Locale Info\t: " + facts.country;
    text += L"\r\n Remote Session \t: " + std::wstring(facts.remoteSession ? L"On" : L"Off");
    if (v.dwMajorVersion >= 6) {
        text += L"\r\n[User Account Control]\r\n ";
        if (facts.uac) text += UacText(*facts.uac);
    }
    return text;
}

std::wstring ScreenSection(const EnvironmentFacts& facts) {
    std::wstring text = L"\r\n[Screen]\r\n ";
    text += Printf(L"%dx%d (%dbpp) ", facts.screenWidth, facts.screenHeight, facts.bitsPerPixel);
    text += L"[Work Area " + RectText(facts.workArea) + L"]";
    text += L"\r\n Virtual Screen: " + RectText(facts.virtualScreen) + Printf(L" [Monitors:%d]", facts.monitorCount);
    for (const MonitorFacts& monitor : facts.monitors) {
        text += L"\r\n Monitor Info : " + RectText(monitor.monitor) + L" [Workarea " + RectText(monitor.work) + L"]";
        if (monitor.primary) text += L" *primary";
    }
    return text;
}

std::wstring OtherSection(const EnvironmentFacts& facts) {
    return L"\r\n[Other]\r\n Date/Time \t: " + LocalTimeText(facts.localTime) + UtcOffsetText(facts.bias);
}

}  // namespace

void NormaliseVersionRecord(OSVERSIONINFOEXW& version) {
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT || version.dwBuildNumber <= 0xFFFF) return;
    version.dwMajorVersion = HIBYTE(HIWORD(version.dwBuildNumber));
    version.dwMinorVersion = LOBYTE(HIWORD(version.dwBuildNumber));
    version.dwBuildNumber = LOWORD(version.dwBuildNumber);
}

std::wstring PlatformIdText(DWORD platformId) {
    const wchar_t* const names[] = {L"(Win32s)", L"(Win9x)", L"(NT)"};
    return Printf(L"%d ", static_cast<int>(platformId)) + (platformId < 3 ? names[platformId] : L"");
}

std::wstring ProductTypeText(BYTE productType) {
    switch (productType) {
    case VER_NT_WORKSTATION: return L"1 (Workstation)";
    case VER_NT_DOMAIN_CONTROLLER: return L"2 (Domain Controller)";
    case VER_NT_SERVER: return L"3 (Server)";
    default: return std::to_wstring(productType);
    }
}

std::wstring SafeModeText(int cleanBoot) {
    switch (cleanBoot) {
    case 1: return L"Fail-safe boot";
    case 2: return L"Fail-safe with network boot";
    default: return L"Off";
    }
}

std::wstring LocalTimeText(const SYSTEMTIME& time) {
    static const wchar_t* const weekdays[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    static const wchar_t* const months[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                            L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    const std::wstring weekday = time.wDayOfWeek < 7 ? weekdays[time.wDayOfWeek] : L"";
    const std::wstring month = time.wMonth >= 1 && time.wMonth <= 12 ? months[time.wMonth - 1] : L"";
    return weekday + L", " + month +
           Printf(L" %d, %d %2d:%02d:%02d", time.wDay, time.wYear, time.wHour, time.wMinute, time.wSecond);
}

std::wstring UtcOffsetText(LONG bias) {
    // East of Greenwich the bias is negative; UTC itself counts as west and reads (UTC-00:00).
    const long minutes = std::labs(bias);
    return Printf(bias < 0 ? L"(UTC+%02ld:%02ld)" : L"(UTC-%02ld:%02ld)", minutes / 60, minutes % 60);
}

EnvironmentFacts GatherEnvironmentFacts() {
    EnvironmentFacts facts;
    facts.version = ReadVersionRecord();
    facts.productInfo = facts.version.dwMajorVersion >= 6 ? ReadProductInfo(facts.version) : 0;
    facts.cleanBoot = GetSystemMetrics(SM_CLEANBOOT);
    facts.country = ReadCountry();
    facts.remoteSession = GetSystemMetrics(SM_REMOTESESSION) != 0;
    if (facts.version.dwMajorVersion >= 6) facts.uac = ReadUacPolicy();
    facts.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    facts.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    facts.bitsPerPixel = ReadBitsPerPixel();
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &facts.workArea, 0);
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    facts.virtualScreen = {left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                           top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    facts.monitorCount = GetSystemMetrics(SM_CMONITORS);
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&facts.monitors));
    GetLocalTime(&facts.localTime);
    facts.bias = CurrentBias();
    return facts;
}

std::wstring FormatEnvironmentReport(const EnvironmentFacts& facts) {
    return Printf(L"Orvanel ver.%u.%02u.%02u [", 1u, 0u, 1u) + L"Jan 14 2017]\r\n" + WindowsSection(facts) +
           ScreenSection(facts) + OtherSection(facts);
}

std::wstring BuildEnvironmentReport() { return FormatEnvironmentReport(GatherEnvironmentFacts()); }
