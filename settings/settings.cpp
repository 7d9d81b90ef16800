#include "settings.h"

#include <string>
#include <string_view>
#include <utility>

#include "language.h"
#include "message_box.h"
#include "options.h"
#include "pending_notification.h"
#include "registry.h"
#include "scoped_win.h"

bool IniMode = false;
bool StoredSettingsFound = false;

namespace {

constexpr DWORD kProfileTextUnits = 2050;

// The header keeps the profile functions writing UTF-16, so any text survives the file.
constexpr BYTE kUtf16IniHeader[] = {0xFF, 0xFE, 0x0D, 0x00, 0x0A, 0x00};

std::wstring IniWriteFailure(const wchar_t* key) {
    return LanguageMode == Language::Japanese
               ? std::wstring(kIniFileName) + L"の[" + kIniSection + L"]セクションの" + key + L"に値を書き込めません。"
               : std::wstring(kIniFileName) + L"[" + kIniSection + L"] - " + key + L" write error.";
}

std::wstring RegistryWriteFailure(const wchar_t* key) {
    return LanguageMode == Language::Japanese
               ? std::wstring(L"HKEY_CURRENT_USER\\") + kRegistrySubkey + L" - " + key + L"へデータを書き込めません。"
               : std::wstring(L"Cannot write data - HKEY_CURRENT_USER\\") + kRegistrySubkey + L" - " + key;
}

std::wstring RegistryOpenFailure() {
    return LanguageMode == Language::Japanese
               ? std::wstring(L"HKEY_CURRENT_USER\\") + kRegistrySubkey + L"を開けません。"
               : std::wstring(L"Cannot open - HKEY_CURRENT_USER\\") + kRegistrySubkey;
}

bool NeedsProfileQuotes(const std::wstring& text) {
    if (text.empty()) return false;
    auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    const wchar_t first = text.front();
    const wchar_t last = text.back();
    const bool enclosedInQuotes = text.size() >= 2 && (first == L'"' || first == L'\'') && first == last;
    return isBlank(first) || isBlank(last) || enclosedInQuotes;
}

bool SystemProfileWrite(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file) {
    return WritePrivateProfileStringW(section, key, value, file) != FALSE;
}

ProfileWriteFunction profileWrite = SystemProfileWrite;

// About a second in all: long enough for a program that reads the file to let go of it.
constexpr int kReplaceAttempts = 50;
void PauseBeforeReplacing() { Sleep(20); }
SaveRetryPause saveRetryPause = PauseBeforeReplacing;

// A program that has the ini open without sharing its deletion blocks the replacement only while
// it reads; the save waits for it rather than being lost.
bool ReplaceIniWithCopy(const wchar_t* copy, const wchar_t* ini) {
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(copy, ini, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || attempt == kReplaceAttempts)
            return false;
        saveRetryPause();
    }
}

bool WriteProfileSetting(const wchar_t* key, const std::wstring& value, std::wstring& errors) {
    if (profileWrite(kIniSection, key, value.c_str(), kIniFileName)) return true;
    AppendJoined(errors, IniWriteFailure(key));
    return false;
}

// Creates `path` as UTF-16LE (mark and CR LF); false when it exists or cannot be written whole.
bool CreateUtf16IniFile(const wchar_t* path) {
    UniqueFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    if (WriteFile(file.get(), kUtf16IniHeader, sizeof kUtf16IniHeader, &written, nullptr) &&
        written == sizeof kUtf16IniHeader)
        return true;
    file.reset();
    DeleteFileW(path);  // a file without its header would be kept in the ANSI code page
    SetLastError(ERROR_WRITE_FAULT);
    return false;
}

bool FlushFileToDisk(const wchar_t* path) {
    UniqueFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.get());
}

std::wstring IniValue(const OptionField& field) {
    return field.kind == OptionKind::Text ? ProfileValue(ProcessingOptions.*field.text)
                                          : std::to_wstring(OptionIntegerValue(ProcessingOptions, field));
}

// Every key is tried, so each failure is reported; the file changes only when all of them reached the copy.
void SaveSettingsToIni(std::wstring& errors) {
    (void)EnsureIniFile();
    IniSaveCopy copy;
    for (const OptionField& field : OptionFields()) {
        if (!copy.Write(kIniSection, field.key, IniValue(field).c_str()))
            AppendJoined(errors, IniWriteFailure(field.key));
    }
    if (!errors.empty() || copy.Commit()) return;
    // Every key reached the copy, but none reached the file.
    for (const OptionField& field : OptionFields()) AppendJoined(errors, IniWriteFailure(field.key));
}

template <typename Write>
bool WriteRegistrySetting(const wchar_t* key, std::wstring& errors, Write write) {
    REGW registry;
    if (!registry.OpenKey(REGW::kCreate)) {
        AppendJoined(errors, RegistryOpenFailure());
        return false;
    }
    const bool written = write(registry);
    registry.CloseKey();
    if (!written) AppendJoined(errors, RegistryWriteFailure(key));
    return written;
}

int ReadIntegerSetting(const wchar_t* key, int defaultValue) {
    if (IniMode) return static_cast<int>(GetPrivateProfileIntW(kIniSection, key, defaultValue, kIniFileName));
    REGW registry;
    if (!registry.OpenKey(REGW::kReadOnly)) return defaultValue;
    const int value = registry.ReadIntegerW(key, defaultValue);
    registry.CloseKey();
    return value;
}

// The program list is a key of our own that grows with each program named: it is read whole,
// where every other text keeps the fixed buffer.
bool ReadsWholeText(const wchar_t* key) { return std::wstring_view(key) == L"APP_LIST"; }

// The profile function cuts what does not fit, so a value that fills the buffer is read again
// with a larger one.
std::wstring ReadWholeIniText(const wchar_t* key, const wchar_t* defaultText) {
    constexpr DWORD kLongestUnits = 1 << 20;
    for (DWORD units = 4 * kProfileTextUnits;; units *= 2) {
        std::wstring buffer(units, L'\0');
        const DWORD copied = GetPrivateProfileStringW(kIniSection, key, defaultText, buffer.data(), units, kIniFileName);
        if (copied + 1 < units || units >= kLongestUnits) {
            buffer.resize(copied);
            return buffer;
        }
    }
}

std::wstring ReadWholeStringSetting(const wchar_t* key, const wchar_t* defaultText) {
    if (IniMode) return ReadWholeIniText(key, defaultText);
    REGW registry;
    if (!registry.OpenKey(REGW::kReadOnly)) return defaultText;
    std::wstring text;
    (void)registry.ReadWholeStringW(key, text);  // absent: the empty text, as for the other texts
    registry.CloseKey();
    return text;
}

// From the registry an absent value reads as the empty text, not as the default.
std::wstring ReadStringSetting(const wchar_t* key, const wchar_t* defaultText) {
    if (ReadsWholeText(key)) return ReadWholeStringSetting(key, defaultText);
    wchar_t buffer[kProfileTextUnits] = {};
    if (IniMode) {
        GetPrivateProfileStringW(kIniSection, key, defaultText, buffer, kProfileTextUnits, kIniFileName);
        return buffer;
    }
    lstrcpynW(buffer, defaultText, kProfileTextUnits);
    REGW registry;
    if (registry.OpenKey(REGW::kReadOnly)) {
        registry.ReadStringW(key, buffer);
        registry.CloseKey();
    }
    return buffer;
}

void ReportFailedSave(const std::wstring& errors) {
    PendingNotification::Clear();
    // Before the main window exists (the copy commands) nobody shows it; the text is then only kept.
    PendingNotification::AppendAndShow(errors, SeverityWarning);
}

void ShowCopyOutcome(bool copied, const wchar_t* successJa, const wchar_t* successEn, const wchar_t* failureJa,
                     const wchar_t* failureEn) {
    if (copied)
        ShowAppMessageBox(Tr(successJa, successEn), MB_OK | MB_ICONINFORMATION);
    else
        ShowAppMessageBox(Tr(failureJa, failureEn), MB_OK | MB_ICONERROR);
}

}  // namespace

// Creating only what does not exist keeps a file that another program holds open (and we merely
// failed to read) from being truncated.
bool EnsureIniFile() {
    if (CreateUtf16IniFile(kIniFileName)) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

ProfileWriteFunction SetProfileWriteFunction(ProfileWriteFunction function) {
    return std::exchange(profileWrite, function ? function : SystemProfileWrite);
}

SaveRetryPause SetSaveRetryPause(SaveRetryPause pause) {
    return std::exchange(saveRetryPause, pause ? pause : PauseBeforeReplacing);
}

IniSaveCopy::IniSaveCopy() {
    DeleteFileW(kIniSaveCopyName);
    // The copy keeps the file's bytes as they are: its UTF-16 mark, other sections and keys.
    prepared_ = CopyFileW(kIniFileName, kIniSaveCopyName, FALSE) ||
                (GetLastError() == ERROR_FILE_NOT_FOUND && CreateUtf16IniFile(kIniSaveCopyName));
}

IniSaveCopy::~IniSaveCopy() {
    if (!committed_) DeleteFileW(kIniSaveCopyName);
}

bool IniSaveCopy::Write(const wchar_t* section, const wchar_t* key, const wchar_t* value) const {
    return prepared_ && profileWrite(section, key, value, kIniSaveCopyName);
}

bool IniSaveCopy::Commit() {
    if (!prepared_ || committed_ || !FlushFileToDisk(kIniSaveCopyName)) return false;
    committed_ = ReplaceIniWithCopy(kIniSaveCopyName, kIniFileName);
    return committed_;
}

namespace {

// Asked before loading, since loading in ini mode creates the file.
bool SettingsStored() {
    if (IniMode) return GetFileAttributesW(kIniFileName) != INVALID_FILE_ATTRIBUTES;
    REGW registry;
    return registry.OpenKey(REGW::kReadOnly) && registry.CloseKey();
}

}  // namespace

void LoadSettings() {
    StoredSettingsFound = SettingsStored();
    if (IniMode) (void)EnsureIniFile();
    for (const OptionField& field : OptionFields()) {
        if (field.kind == OptionKind::Text) {
            StoreLoadedText(ProcessingOptions, field, ReadStringSetting(field.key, field.defaultText));
            continue;
        }
        // BIGDIALOG keeps its current value when nothing is stored.
        const int defaultValue = field.flag == &ProcessingOptionsRecord::BIGDIALOG
                                     ? OptionIntegerValue(ProcessingOptions, field)
                                     : field.defaultInteger;
        StoreLoadedInteger(ProcessingOptions, field, ReadIntegerSetting(field.key, defaultValue));
    }
}

bool SaveSettings() {
    std::wstring errors;
    if (IniMode) {
        SaveSettingsToIni(errors);
    } else {
        for (const OptionField& field : OptionFields()) {
            if (field.kind == OptionKind::Text)
                WriteStringSetting(field.key, ProcessingOptions.*field.text, errors);
            else
                WriteIntegerSetting(field.key, OptionIntegerValue(ProcessingOptions, field), errors);
        }
    }
    if (errors.empty()) return true;
    ReportFailedSave(errors);
    return false;
}

// The profile functions strip blanks around a value and one pair of enclosing quotes; quoting
// such a text keeps it whole (a pattern of one space, say) and reads back unchanged.
std::wstring ProfileValue(const std::wstring& text) {
    return NeedsProfileQuotes(text) ? L"\"" + text + L"\"" : text;
}

// Every 32-bit value is written whole: a text cut short would make the profile function drop the key.
bool WriteIntegerSetting(const wchar_t* key, int value, std::wstring& errors) {
    if (IniMode) return WriteProfileSetting(key, std::to_wstring(value), errors);
    return WriteRegistrySetting(key, errors, [&](REGW& registry) { return registry.WriteIntegerW(key, value); });
}

bool WriteStringSetting(const wchar_t* key, const std::wstring& text, std::wstring& errors) {
    if (IniMode) return WriteProfileSetting(key, ProfileValue(text), errors);
    return WriteRegistrySetting(key, errors, [&](REGW& registry) { return registry.WriteStringW(key, text); });
}

void CopySettingsIniToRegistry() {
    IniMode = true;
    LoadSettings();
    IniMode = false;
    ShowCopyOutcome(SaveSettings(), L"iniファイルからレジストリへ設定をコピーしました。",
                    L"Setting copying from the ini file to the registry has been completed.",
                    L"iniファイルからレジストリへ設定をコピーできませんでした。",
                    L"Setting copying from the ini file to the registry - Failed.");
}

void CopySettingsRegistryToIni() {
    IniMode = false;
    LoadSettings();
    IniMode = true;
    ShowCopyOutcome(SaveSettings(), L"レジストリからiniファイルへ設定をコピーしました。",
                    L"Setting copying from the registry to the ini file has been completed.",
                    L"レジストリからiniファイルへ設定をコピーできませんでした。",
                    L"Setting copying from the registry to the ini file - Failed.");
}
