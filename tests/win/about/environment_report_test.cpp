#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>
#include <windows.h>

#include "environment_report.h"

namespace about_test {
namespace {

TEST(UtcOffsetText, EastIsPlusAndUtcItselfReadsMinus) {
    const struct {
        LONG bias;
        const wchar_t* expected;
    } cases[] = {
        {-540, L"(UTC+09:00)"},  // Tokyo: UTC = local time - 9 h
        {0, L"(UTC-00:00)"},
        {300, L"(UTC-05:00)"},
        {-330, L"(UTC+05:30)"},
        {210, L"(UTC-03:30)"},
        {-765, L"(UTC+12:45)"},
        {-1, L"(UTC+00:01)"},
        {720, L"(UTC-12:00)"},
    };
    for (const auto& c : cases) EXPECT_EQ(UtcOffsetText(c.bias), c.expected) << c.bias;
}

TEST(ProductTypeText, KnownTypesNamedOthersAsTheBareNumber) {
    const struct {
        BYTE type;
        const wchar_t* expected;
    } cases[] = {
        {1, L"1 (Workstation)"}, {2, L"2 (Domain Controller)"}, {3, L"3 (Server)"},
        {0, L"0"},               {4, L"4"},                     {255, L"255"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProductTypeText(c.type), c.expected) << c.type;
}

TEST(PlatformIdText, NumberThenTheFamily) {
    const struct {
        DWORD id;
        const wchar_t* expected;
    } cases[] = {{0, L"0 (Win32s)"}, {1, L"1 (Win9x)"}, {2, L"2 (NT)"}, {3, L"3 "}};
    for (const auto& c : cases) EXPECT_EQ(PlatformIdText(c.id), c.expected) << c.id;
}

TEST(SafeModeText, ByCleanBootMetric) {
    const struct {
        int metric;
        const wchar_t* expected;
    } cases[] = {{0, L"Off"}, {1, L"Fail-safe boot"}, {2, L"Fail-safe with network boot"}, {3, L"Off"}};
    for (const auto& c : cases) EXPECT_EQ(SafeModeText(c.metric), c.expected) << c.metric;
}

TEST(LocalTimeText, WeekdayMonthDayYearAndAPaddedHour) {
    const struct {
        SYSTEMTIME time;  // year, month, weekday, day, hour, minute, second, ms
        const wchar_t* expected;
    } cases[] = {
        {{2026, 12, 2, 8, 5, 3, 1, 0}, L"Tue, Dec 8, 2026  5:03:01"},
        {{2017, 1, 6, 14, 23, 59, 59, 0}, L"Sat, Jan 14, 2017 23:59:59"},
        {{2000, 2, 0, 29, 0, 0, 0, 0}, L"Sun, Feb 29, 2000  0:00:00"},
    };
    for (const auto& c : cases) EXPECT_EQ(LocalTimeText(c.time), c.expected);
}

TEST(NormaliseVersionRecord, Win9xTakesMajorAndMinorFromTheBuildNumber) {
    const struct {
        DWORD platform, major, minor, build;
        DWORD expectedMajor, expectedMinor, expectedBuild;
    } cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 0, 0, 0x040A08AE, 4, 10, 2222},
        {VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, 4, 0, 950},          // already a small build number
        {VER_PLATFORM_WIN32_NT, 10, 0, 0x040A08AE, 10, 0, 0x040A08AE},  // NT is left alone
        {VER_PLATFORM_WIN32_NT, 6, 1, 7601, 6, 1, 7601},
    };
    for (const auto& c : cases) {
        OSVERSIONINFOEXW version = {};
        version.dwPlatformId = c.platform;
        version.dwMajorVersion = c.major;
        version.dwMinorVersion = c.minor;
        version.dwBuildNumber = c.build;
        NormaliseVersionRecord(version);
        EXPECT_EQ(version.dwMajorVersion, c.expectedMajor);
        EXPECT_EQ(version.dwMinorVersion, c.expectedMinor);
        EXPECT_EQ(version.dwBuildNumber, c.expectedBuild);
    }
}

EnvironmentFacts SampleFacts() {
    EnvironmentFacts facts;
    facts.version = {};
    facts.version.dwPlatformId = VER_PLATFORM_WIN32_NT;
    facts.version.dwMajorVersion = 10;
    facts.version.dwBuildNumber = 19045;
    facts.version.wProductType = 1;
    facts.version.wSuiteMask = 0x100;
    facts.productInfo = 0x30;
    facts.country = L"Japan";
    facts.uac = UacPolicy{1, 1, 5, 3};
    facts.screenWidth = 1920;
    facts.screenHeight = 1080;
    facts.bitsPerPixel = 32;
    facts.workArea = {0, 0, 1920, 1040};
    facts.virtualScreen = {-1280, 0, 1920, 1080};
    facts.monitorCount = 2;
    facts.monitors = {{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}, true}, {{-1280, 0, 0, 1024}, {-1280, 0, 0, 984}, false}};
    facts.localTime = {2026, 12, 2, 8, 5, 3, 1, 0};
    facts.bias = -540;
    return facts;
}

TEST(FormatEnvironmentReport, EveryLineInItsPlaceWithItsSpacesAndTabs) {
    EXPECT_EQ(FormatEnvironmentReport(SampleFacts()),
              L"Orvanel ver.1.00.01 [Jan 14 2017]\r\n"
              L"[Windows]\r\n"
              L" Platform Id\t: 2 (NT)\r\n"
              L" OS Version  \t: 10.0.19045 \r\n"
              L" ServicePack\t: 0.0 \r\n"
              L" Architecture\t: x64\r\n"
              L" ProductType\t: 1 (Workstation)\r\n"
              L" ProductInfo.\t: 0x00000030\r\n"
              L" SuiteMask\t: 0x0100\r\n"
              L" SafeMode\t: Off\r\n"
              L" Locale Info\t: Japan\r\n"
              L" Remote Session \t: Off\r\n"
              L"[User Account Control]\r\n"
              L" EnableLUA=1, PromptOnSecureDesktop=1, ConsentPromptBehaviorAdmin=5, ConsentPromptBehaviorUser=3\r\n"
              L"[Screen]\r\n"
              L" 1920x1080 (32bpp) [Work Area (0,0)-(1920,1040)]\r\n"
              L" Virtual Screen: (-1280,0)-(1920,1080) [Monitors:2]\r\n"
              L" Monitor Info : (0,0)-(1920,1080) [Workarea (0,0)-(1920,1040)] *primary\r\n"
              L" Monitor Info : (-1280,0)-(0,1024) [Workarea (-1280,0)-(0,984)]\r\n"
              L"[Other]\r\n"
              L" Date/Time \t: Tue, Dec 8, 2026  5:03:01(UTC+09:00)");
}

// Each variant changes the sample; the report then holds `present` and none of `absent`.
TEST(FormatEnvironmentReport, MissingValuesLeaveTheirLabelsAndOldWindowsLeavesOutItsSections) {
    const struct {
        const char* name;
        void (*change)(EnvironmentFacts&);
        std::vector<std::wstring> present;
        std::vector<std::wstring> absent;
    } cases[] = {
        {"policy key missing", [](EnvironmentFacts& f) { f.uac.reset(); },
         {L"\r\n[User Account Control]\r\n \r\n[Screen]"}, {L"EnableLUA"}},
        {"policy values missing", [](EnvironmentFacts& f) { f.uac = UacPolicy{}; },
         {L" EnableLUA=, PromptOnSecureDesktop=, ConsentPromptBehaviorAdmin=, ConsentPromptBehaviorUser=\r\n"}, {}},
        {"country missing", [](EnvironmentFacts& f) { f.country.clear(); },
         {L" Locale Info\t: \r\n Remote Session \t: Off"}, {}},
        {"product type unknown", [](EnvironmentFacts& f) { f.version.wProductType = 0; },
         {L" ProductType\t: 0\r\n"}, {L"Workstation"}},
        {"Windows XP", [](EnvironmentFacts& f) {
             f.version.dwMajorVersion = 5;
             f.version.dwMinorVersion = 1;
         },
         {L" OS Version  \t: 5.1.19045 ", L" Remote Session \t: Off\r\n[Screen]"},
         {L"ProductInfo.", L"[User Account Control]"}},
        {"service pack", [](EnvironmentFacts& f) {
             f.version.wServicePackMajor = 1;
             wcscpy(f.version.szCSDVersion, L"Service Pack 1");
         },
         {L" OS Version  \t: 10.0.19045 Service Pack 1\r\n ServicePack\t: 1.0 \r\n"}, {}},
        {"safe mode and remote", [](EnvironmentFacts& f) {
             f.cleanBoot = 2;
             f.remoteSession = true;
         },
         {L" SafeMode\t: Fail-safe with network boot\r\n", L" Remote Session \t: On"}, {}},
        {"no monitors read", [](EnvironmentFacts& f) { f.monitors.clear(); },
         {L"[Monitors:2]\r\n[Other]"}, {L"Monitor Info"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EnvironmentFacts facts = SampleFacts();
        c.change(facts);
        const std::wstring report = FormatEnvironmentReport(facts);
        for (const std::wstring& text : c.present) EXPECT_NE(report.find(text), std::wstring::npos) << text;
        for (const std::wstring& text : c.absent) EXPECT_EQ(report.find(text), std::wstring::npos) << text;
    }
}

// Wine gives its own values; what must hold is the order of the labels and the shape of the lines.
TEST(BuildEnvironmentReport, HereEveryLabelInOrder) {
    const std::wstring report = BuildEnvironmentReport();
    const std::vector<std::wstring> labels = {
        L"Orvanel ver.1.00.01 [Jan 14 2017]\r\n[Windows]", L"\r\n Platform Id\t: 2 (NT)", L"\r\n OS Version  \t: ",
        L"\r\n ServicePack\t: ", L"\r\n Architecture\t: x64", L"\r\n ProductType\t: ", L"\r\n ProductInfo.\t: 0x",
        L"\r\n SuiteMask\t: 0x", L"\r\n SafeMode\t: ", L"\r\n Locale Info\t: ", L"\r\n Remote Session \t: ",
        L"\r\n[User Account Control]\r\n ", L"\r\n[Screen]\r\n ", L"bpp) [Work Area (", L"\r\n Virtual Screen: (",
        L"[Monitors:", L"\r\n Monitor Info : (", L"[Workarea (", L" *primary", L"\r\n[Other]", L"\r\n Date/Time \t: ",
        L"(UTC"};
    size_t at = 0;
    for (const std::wstring& label : labels) {
        const size_t found = report.find(label, at);
        ASSERT_NE(found, std::wstring::npos) << "after " << at << ": " << label << "\n" << report;
        at = found + label.size();
    }
    EXPECT_EQ(report.back(), L')');
    EXPECT_EQ(report.find(L'\0'), std::wstring::npos);
}

// Minutes to add to the local time to reach UTC, from the two clocks themselves: summer time
// included, whatever the zone's records say.
LONG BiasFromTheClocks() {
    SYSTEMTIME utc = {}, local = {};
    GetSystemTime(&utc);
    GetLocalTime(&local);
    ULARGE_INTEGER u = {}, l = {};
    FILETIME file = {};
    SystemTimeToFileTime(&utc, &file);
    u.LowPart = file.dwLowDateTime;
    u.HighPart = file.dwHighDateTime;
    SystemTimeToFileTime(&local, &file);
    l.LowPart = file.dwLowDateTime;
    l.HighPart = file.dwHighDateTime;
    const double minutes = (static_cast<double>(u.QuadPart) - static_cast<double>(l.QuadPart)) / 600000000.0;
    return static_cast<LONG>(std::lround(minutes / 15.0) * 15);  // zones are whole quarters of an hour
}

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

// The gathered screen, monitors, work area and offset are those the system reports now.
TEST(GatherEnvironmentFacts, HereTheScreenMonitorsWorkAreaAndOffsetOfThisSystem) {
    const EnvironmentFacts facts = GatherEnvironmentFacts();
    MONITORINFO primary = {};
    primary.cbSize = sizeof primary;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary));
    EXPECT_EQ(facts.screenWidth, primary.rcMonitor.right - primary.rcMonitor.left);
    EXPECT_EQ(facts.screenHeight, primary.rcMonitor.bottom - primary.rcMonitor.top);
    EXPECT_TRUE(SameRect(facts.workArea, primary.rcWork));
    int count = 0;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT, LPARAM data) -> BOOL {
            ++*reinterpret_cast<int*>(data);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    EXPECT_EQ(facts.monitorCount, count);
    ASSERT_EQ(facts.monitors.size(), static_cast<size_t>(count));
    RECT everything = {};
    int primaries = 0;
    for (const MonitorFacts& monitor : facts.monitors) {
        UnionRect(&everything, &everything, &monitor.monitor);
        if (!monitor.primary) continue;
        ++primaries;
        EXPECT_TRUE(SameRect(monitor.monitor, primary.rcMonitor));
        EXPECT_TRUE(SameRect(monitor.work, primary.rcWork));
    }
    EXPECT_EQ(primaries, 1);
    EXPECT_TRUE(SameRect(facts.virtualScreen, everything));
    EXPECT_EQ(facts.bias, BiasFromTheClocks());
}

}  // namespace
}  // namespace about_test
