#pragma once
// Persistence of ProcessingOptions in ".\\Nuvela.ini" or under the current user's registry key.
#include <string>

inline constexpr wchar_t kIniFileName[] = L".\\Nuvela.ini";
inline constexpr wchar_t kIniSection[] = L"Zelmora";
inline constexpr wchar_t kRegistrySubkey[] = L"Software\\Tavernel\\Nuvela\\CurrentVersion";

extern bool IniMode;  // true: the ini file; false: the registry. Chosen by start-up.

// Creates the ini file as UTF-16LE (mark and CR LF) only when it does not exist.
[[nodiscard]] bool EnsureIniFile();
void LoadSettings();
// False when any key failed; the joined failures are then shown on the main window's balloon.
bool SaveSettings();
bool WriteIntegerSetting(const wchar_t* key, int value, std::wstring& errors);
bool WriteStringSetting(const wchar_t* key, const std::wstring& text, std::wstring& errors);

// A text as written to the ini file, quoted when the profile functions would strip its blanks or quotes.
std::wstring ProfileValue(const std::wstring& text);

// "/OR" and "/RO": copy every setting from one store to the other and say how it went in a box.
void CopySettingsIniToRegistry();
void CopySettingsRegistryToIni();
