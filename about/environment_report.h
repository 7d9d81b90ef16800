#pragma once
// A plain-text report of the machine's environment that the user pastes into a support request.
// The facts are gathered apart from their formatting, so the format can be checked on its own.
#include <optional>
#include <string>
#include <vector>
#include <windows.h>

// The four policy values of User Account Control; a value that is missing or no 32-bit number is none.
struct UacPolicy {
    std::optional<DWORD> enableLua;
    std::optional<DWORD> promptOnSecureDesktop;
    std::optional<DWORD> consentPromptBehaviorAdmin;
    std::optional<DWORD> consentPromptBehaviorUser;
};

struct MonitorFacts {
    RECT monitor;
    RECT work;
    bool primary;
};

struct EnvironmentFacts {
    OSVERSIONINFOEXW version;
    DWORD productInfo = 0;          // what GetProductInfo reports; 0 without it
    int cleanBoot = 0;              // the safe-mode metric
    std::wstring country;           // the user locale's country in English; empty when not available
    bool remoteSession = false;
    std::optional<UacPolicy> uac;   // none when the policy key does not open
    int screenWidth = 0;
    int screenHeight = 0;
    int bitsPerPixel = 0;
    RECT workArea = {};
    RECT virtualScreen = {};        // left, top, left + width, top + height
    int monitorCount = 0;
    std::vector<MonitorFacts> monitors;  // in enumeration order; those that could not be read left out
    SYSTEMTIME localTime = {};
    LONG bias = 0;                  // minutes, UTC = local time + bias
};

EnvironmentFacts GatherEnvironmentFacts();
std::wstring FormatEnvironmentReport(const EnvironmentFacts& facts);
// Both at once: the report of this machine now.
std::wstring BuildEnvironmentReport();

// The pieces of the format.
// A version record of the Win9x family carries major and minor in its build number's high word.
void NormaliseVersionRecord(OSVERSIONINFOEXW& version);
std::wstring PlatformIdText(DWORD platformId);
std::wstring ProductTypeText(BYTE productType);
std::wstring SafeModeText(int cleanBoot);
std::wstring LocalTimeText(const SYSTEMTIME& time);
std::wstring UtcOffsetText(LONG bias);
