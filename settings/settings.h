#pragma once
// Persistence of ProcessingOptions in ".\\Nuvela.ini" or under the current user's registry key.
#include <string>

inline constexpr wchar_t kIniFileName[] = L".\\Nuvela.ini";
// Where a save writes before the result takes the ini file's place.
inline constexpr wchar_t kIniSaveCopyName[] = L".\\Nuvela.ini.tmp";
inline constexpr wchar_t kIniSection[] = L"Zelmora";
inline constexpr wchar_t kRegistrySubkey[] = L"Software\\Tavernel\\Nuvela\\CurrentVersion";

extern bool IniMode;  // true: the ini file; false: the registry. Chosen by start-up.
// Whether the last LoadSettings found settings an earlier run had stored (false on a first start).
extern bool StoredSettingsFound;

// Creates the ini file as UTF-16LE (mark and CR LF) only when it does not exist.
[[nodiscard]] bool EnsureIniFile();
void LoadSettings();
// False when any key failed; the joined failures are then shown on the main window's balloon.
bool SaveSettings();
bool WriteIntegerSetting(const wchar_t* key, int value, std::wstring& errors);
bool WriteStringSetting(const wchar_t* key, const std::wstring& text, std::wstring& errors);

// Every key a save writes to the ini goes through one replaceable function (by default
// WritePrivateProfileStringW), so tests can fail a save at any key; null puts the default back.
using ProfileWriteFunction = bool (*)(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                                      const wchar_t* file);
ProfileWriteFunction SetProfileWriteFunction(ProfileWriteFunction function);

// The pause between attempts to put a saved copy in the ini's place while another program (a virus
// scanner, an indexer, a reader of the file) holds the file open. Replaceable so tests can let go
// of the file at a known moment; null puts the default back. Returns the previous pause.
using SaveRetryPause = void (*)();
SaveRetryPause SetSaveRetryPause(SaveRetryPause pause);

// A save of several keys that reaches the ini file whole or not at all: the keys go into a copy of
// the file beside it, which then takes the file's place in one step. The profile functions write
// the whole file at each key, so a process ended in the middle would otherwise leave it cut short.
class IniSaveCopy {
public:
    // Removes a copy left by a save that was cut short, then copies the current file (or, when there
    // is none, starts the copy as EnsureIniFile starts the file).
    IniSaveCopy();
    ~IniSaveCopy();  // a copy that did not take the file's place is removed
    IniSaveCopy(const IniSaveCopy&) = delete;
    IniSaveCopy& operator=(const IniSaveCopy&) = delete;

    [[nodiscard]] bool Prepared() const { return prepared_; }
    // WritePrivateProfileStringW on the copy (a null key removes the section); false when not prepared.
    [[nodiscard]] bool Write(const wchar_t* section, const wchar_t* key, const wchar_t* value) const;
    // Flushes the copy and puts it in the file's place; false leaves the file as it was.
    [[nodiscard]] bool Commit();

private:
    bool prepared_ = false;
    bool committed_ = false;
};

// A text as written to the ini file, quoted when the profile functions would strip its blanks or quotes.
std::wstring ProfileValue(const std::wstring& text);

// "/OR" and "/RO": copy every setting from one store to the other and say how it went in a box.
void CopySettingsIniToRegistry();
void CopySettingsRegistryToIni();
