#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "app_state.h"
#include "pending_notification.h"
#include "scoped_win.h"
#include "settings.h"
#include "settings_fixture.h"

namespace settings_test {
namespace {

using PersistenceTest = SettingsTest;

const std::vector<BYTE> kIniHeader = {0xFF, 0xFE, 0x0D, 0x00, 0x0A, 0x00};

// What a first start loads: the table's defaults after the load-time checks.
ProcessingOptionsRecord LoadedDefaults() {
    ProcessingOptionsRecord record;
    record.MultiDivSec = 1000;
    return record;
}

// A value other than the default for every field, valid for the load-time checks.
ProcessingOptionsRecord EveryFieldChanged() {
    ProcessingOptionsRecord record;
    for (const OptionField& field : OptionFields()) {
        switch (field.kind) {
        case OptionKind::Flag: record.*field.flag = field.defaultInteger == 0; break;
        case OptionKind::Byte: record.*field.byte = 200; break;
        case OptionKind::Integer: record.*field.integer = 123456; break;
        case OptionKind::Text: record.*field.text = std::wstring(L"日本語𠮷 ") + field.key; break;
        }
    }
    record.MultiDivSec = 2000;
    record.Delay1Sec = 700;
    record.ALPHA_FLOATING = 0;
    record.ALPHA_FLOATING2 = 128;
    record.LEFT_FLOATING = INT_MIN;  // eleven characters as text
    record.TOP_FLOATING = -1000000000;
    record.WIDTH_FLOATING = INT_MAX;
    record.MUL_BY_N = L"2.5";
    record.CLN_NORMALIZE = 2;
    record.REP_BEFORE = L" ";  // blanks and quotes that the profile functions would otherwise strip
    record.REP_AFTER = L"\"quoted\"";
    record.CMDLINE = L"  sort /R\t";
    record.APP_RULE = 2;
    record.PASTE_RESTORE_MS = 5000;
    return record;
}

// A volatile parent cannot hold the non-volatile product key, so it can be neither opened nor created.
void BlockProductKey() {
    HKEY parent = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Tavernel\\Nuvela", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &parent, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(parent);
}

std::wstring Repeated(const std::wstring& message, std::size_t count) {
    std::wstring joined;
    for (std::size_t i = 0; i < count; ++i) joined += (i ? L"\r\n-----\r\n" : L"") + message;
    return joined;
}

TEST_F(PersistenceTest, FirstStartWithoutIniFileCreatesUtf16FileAndLoadsDefaults) {
    IniMode = true;
    ProcessingOptions.MultiDivSec = 4000;
    LoadSettings();
    EXPECT_EQ(ReadFileBytes(L"Nuvela.ini"), kIniHeader);
    ExpectSameOptions(ProcessingOptions, LoadedDefaults());
    EXPECT_TRUE(ProcessingOptions.CBWatchEnabled);
}

TEST_F(PersistenceTest, EnsureIniFileKeepsAnExistingFileItCannotRead) {
    const std::string content = "[Zelmora]\r\nDelSpace=1\r\n";
    {
        UniqueFileHandle file(CreateFileW(L"Nuvela.ini", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr));
    }
    {
        // Held open by "another program" that shares writing but not reading.
        UniqueFileHandle holder(
            CreateFileW(L"Nuvela.ini", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        UniqueFileHandle reader(
            CreateFileW(L"Nuvela.ini", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_FALSE(reader) << "the holder must keep readers out for this test to mean anything";
        EXPECT_TRUE(EnsureIniFile());
    }
    const std::vector<BYTE> after = ReadFileBytes(L"Nuvela.ini");
    EXPECT_EQ(std::string(after.begin(), after.end()), content);
}

struct StoredCase {
    const wchar_t* key;
    const wchar_t* stored;  // as the ini text; in the registry a DWORD when numeric, else REG_SZ
    int loaded;             // integer fields
    const wchar_t* loadedText;
};

void StoreRaw(bool ini, const StoredCase& c) {
    const OptionField* field = FindOptionField(c.key);
    if (ini)
        WritePrivateProfileStringW(kIniSection, c.key, c.stored, kIniFileName);
    else if (field->kind == OptionKind::Text)
        SetRawString(c.key, c.stored);
    else
        SetRawDword(c.key, static_cast<DWORD>(std::stoi(c.stored)));
}

TEST_F(PersistenceTest, LoadCorrectsStoredValuesInBothStores) {
    const StoredCase cases[] = {
        {L"MultiDivSec", L"3000", 1000, nullptr}, {L"MultiDivSec", L"500", 500, nullptr},
        {L"Delay1Sec", L"1000", 1000, nullptr},   {L"Delay1Sec", L"300", 1000, nullptr},
        {L"ALPHA_FLOATING", L"-1", 255, nullptr}, {L"ALPHA_FLOATING2", L"256", 255, nullptr},
        {L"ALPHA_FLOATING", L"0", 0, nullptr},    {L"SK1_VKEY", L"300", 44, nullptr},
        {L"SK2_VKEY", L"-1", 255, nullptr},       {L"NoOpeningDlg", L"5", 1, nullptr},
        {L"CBWatchEnabled", L"0", 0, nullptr},    {L"MUL_BY_N", L"2.5", 0, L"2.5"},
        {L"MUL_BY_N", L"1.2.3", 0, L"1.2.3"},     {L"MUL_BY_N", L"-2", 0, L"1"},
        {L"MUL_BY_N", L"2,5", 0, L"1"},           {L"MUL_BY_N", L"\" 2\"", 0, L"1"},
        {L"MUL_BY_N", L"", 0, L"1"},
        {L"APP_RULE", L"2", 2, nullptr},          {L"APP_RULE", L"3", 0, nullptr},
        {L"PASTE_RESTORE_MS", L"1500", 1500, nullptr}, {L"PASTE_RESTORE_MS", L"50", 500, nullptr},
        {L"APP_LIST", L"EXCEL.EXE;soffice.bin", 0, L"EXCEL.EXE;soffice.bin"},
    };
    for (const bool ini : {true, false}) {
        for (const StoredCase& c : cases) {
            SCOPED_TRACE(testing::Message() << (ini ? "ini " : "registry ") << testing::PrintToString(std::wstring(c.key))
                                            << " = " << testing::PrintToString(std::wstring(c.stored)));
            DeleteProductKey();
            DeleteFileW(kIniFileName);
            IniMode = ini;
            if (ini) {
                ASSERT_TRUE(EnsureIniFile());
            }
            std::wstring stored = c.stored;
            if (!ini && stored == L"\" 2\"") stored = L" 2";  // the registry keeps blanks without quotes
            StoreRaw(ini, {c.key, stored.c_str(), 0, nullptr});
            ProcessingOptions = {};
            LoadSettings();
            const OptionField& field = *FindOptionField(c.key);
            if (field.kind == OptionKind::Text)
                EXPECT_EQ(ProcessingOptions.*field.text, c.loadedText);
            else
                EXPECT_EQ(OptionIntegerValue(ProcessingOptions, field), c.loaded);
        }
    }
}

TEST_F(PersistenceTest, NonZeroFlagIsSavedBackAsOne) {
    IniMode = true;
    ASSERT_TRUE(EnsureIniFile());
    WritePrivateProfileStringW(kIniSection, L"NoOpeningDlg", L"5", kIniFileName);
    LoadSettings();
    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(ReadIniText(kIniSection, L"NoOpeningDlg"), L"1");
}

TEST_F(PersistenceTest, BigDialogKeepsItsCurrentValueWhenNothingIsStored) {
    for (const bool ini : {true, false}) {
        IniMode = ini;
        ProcessingOptions.BIGDIALOG = true;
        LoadSettings();
        EXPECT_TRUE(ProcessingOptions.BIGDIALOG);
    }
    SetRawDword(L"BIGDIALOG", 0);
    LoadSettings();
    EXPECT_FALSE(ProcessingOptions.BIGDIALOG);
}

TEST_F(PersistenceTest, RegistryLoadWithoutKeyCreatesNothingUntilTheFirstSave) {
    ProcessingOptions.DelTab = true;
    LoadSettings();
    ExpectSameOptions(ProcessingOptions, LoadedDefaults());
    EXPECT_FALSE(ProductKeyExists());
    EXPECT_TRUE(SaveSettings());
    EXPECT_TRUE(ProductKeyExists());
    DWORD type = 0;
    std::vector<BYTE> data;
    for (const OptionField& field : OptionFields()) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(field.key)));
        ASSERT_TRUE(GetRawValue(field.key, type, data));
        EXPECT_EQ(type, static_cast<DWORD>(field.kind == OptionKind::Text ? REG_SZ : REG_DWORD));
    }
    EXPECT_TRUE(PendingNotification::Text().empty());
}

// Every field with a value other than its default survives a save and a load, in both stores,
// texts with characters outside the ANSI code page and values of eleven characters included.
TEST_F(PersistenceTest, EveryFieldRoundTripsThroughBothStores) {
    for (const bool ini : {true, false}) {
        SCOPED_TRACE(ini ? "ini" : "registry");
        IniMode = ini;
        ProcessingOptions = EveryFieldChanged();
        ASSERT_TRUE(SaveSettings());
        ProcessingOptions = {};
        LoadSettings();
        ExpectSameOptions(ProcessingOptions, EveryFieldChanged());
    }
    const std::vector<BYTE> file = ReadFileBytes(L"Nuvela.ini");
    ASSERT_GE(file.size(), 2u);
    EXPECT_EQ(file[0], 0xFF);
    EXPECT_EQ(file[1], 0xFE);
}

// The program list, a key of our own, is read whole however many programs it names.
TEST_F(PersistenceTest, LongTextsAreCutInTheIniAndEmptyFromTheRegistryButTheProgramListIsWhole) {
    const std::wstring longest(2049, L'x');
    std::wstring programs;
    for (int i = 0; programs.size() < 32767; ++i) programs += L"program" + std::to_wstring(i) + L".exe;";
    programs.resize(32767);
    for (const bool ini : {true, false}) {
        SCOPED_TRACE(ini ? "ini" : "registry");
        IniMode = ini;
        ProcessingOptions.CMDLINE = longest;
        ProcessingOptions.REP_BEFORE = longest + L"yz";
        ProcessingOptions.APP_LIST = programs;
        ASSERT_TRUE(SaveSettings());
        ProcessingOptions = {};
        LoadSettings();
        EXPECT_EQ(ProcessingOptions.CMDLINE, longest);
        EXPECT_EQ(ProcessingOptions.REP_BEFORE, ini ? longest : L"");
        EXPECT_EQ(ProcessingOptions.APP_LIST.size(), programs.size());
        EXPECT_TRUE(ProcessingOptions.APP_LIST == programs);
    }
}

TEST_F(PersistenceTest, UncreatableKeyYieldsOneOpenMessagePerSetting) {
    BlockProductKey();
    const struct {
        Language language;
        const wchar_t* message;
    } cases[] = {
        {Language::Japanese, L"HKEY_CURRENT_USER\\Software\\Tavernel\\Nuvela\\CurrentVersionを開けません。"},
        {Language::English, L"Cannot open - HKEY_CURRENT_USER\\Software\\Tavernel\\Nuvela\\CurrentVersion"},
    };
    for (const auto& c : cases) {
        SetLanguage(c.language);
        PendingNotification::Append(L"left over from earlier work", SeverityError);
        EXPECT_FALSE(SaveSettings());
        EXPECT_FALSE(ProductKeyExists());
        EXPECT_EQ(PendingNotification::Text(), Repeated(c.message, OptionFields().size()));
        EXPECT_EQ(PendingNotification::Severity(), static_cast<unsigned>(SeverityWarning));
        ASSERT_FALSE(recorder_->balloons.empty());
        EXPECT_EQ(recorder_->balloons.back().text, Repeated(c.message, OptionFields().size()))
            << "one balloon for the whole save";
        EXPECT_EQ(recorder_->balloons.back().severity, static_cast<unsigned>(SeverityWarning));
    }
    EXPECT_EQ(recorder_->balloons.size(), 2u);
    ProcessingOptions.DelSpace = true;
    EXPECT_FALSE(SaveSettings());
    EXPECT_TRUE(ProcessingOptions.DelSpace) << "a failed save leaves the record as it was";
}

TEST_F(PersistenceTest, WriteSettingFailuresUseTheExactMessages) {
    std::wstring errors;
    IniMode = true;
    ASSERT_TRUE(CreateDirectoryW(L"Nuvela.ini", nullptr));  // no profile can be written to a folder
    EXPECT_FALSE(WriteIntegerSetting(L"DelSpace", 1, errors));
    EXPECT_FALSE(WriteStringSetting(L"CMDLINE", L"x", errors));
    SetLanguage(Language::English);
    EXPECT_FALSE(WriteIntegerSetting(L"DelTab", 1, errors));
    IniMode = false;
    BlockProductKey();
    EXPECT_FALSE(WriteStringSetting(L"REP_AFTER", L"x", errors));
    EXPECT_EQ(errors,
              L".\\Nuvela.iniの[Zelmora]セクションのDelSpaceに値を書き込めません。\r\n-----\r\n"
              L".\\Nuvela.iniの[Zelmora]セクションのCMDLINEに値を書き込めません。\r\n-----\r\n"
              L".\\Nuvela.ini[Zelmora] - DelTab write error.\r\n-----\r\n"
              L"Cannot open - HKEY_CURRENT_USER\\Software\\Tavernel\\Nuvela\\CurrentVersion");
    RemoveDirectoryW(L"Nuvela.ini");
}

TEST_F(PersistenceTest, CopyIniToRegistryWithoutIniFileCopiesTheDefaults) {
    ASSERT_FALSE(std::filesystem::exists(kIniFileName));
    CopySettingsIniToRegistry();
    EXPECT_FALSE(IniMode);
    EXPECT_EQ(ReadFileBytes(L"Nuvela.ini"), kIniHeader);
    ProcessingOptions = {};
    LoadSettings();
    ExpectSameOptions(ProcessingOptions, LoadedDefaults());
    ASSERT_EQ(recorder_->boxes.size(), 1u);
    EXPECT_EQ(recorder_->boxes[0].text, L"iniファイルからレジストリへ設定をコピーしました。");
    EXPECT_EQ(recorder_->boxes[0].caption, L"ヌベラ");
    EXPECT_EQ(recorder_->boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
}

TEST_F(PersistenceTest, CopyCommandsLeaveTheHistoriesBehind) {
    IniMode = true;
    ProcessingOptions = EveryFieldChanged();
    ASSERT_TRUE(SaveSettings());
    WritePrivateProfileStringW(L"cbq_before", L"0", L"ini history", kIniFileName);
    CopySettingsIniToRegistry();
    DWORD type = 0;
    std::vector<BYTE> data;
    EXPECT_FALSE(GetRawValue(L"cbq_before", type, data));

    const std::wstring history(L"registry history\0\0", 18);
    SetRawValue(L"cbq_after", REG_MULTI_SZ, history.data(), static_cast<DWORD>(history.size() * sizeof(wchar_t)));
    DeleteFileW(kIniFileName);
    SetLanguage(Language::English);
    CopySettingsRegistryToIni();
    EXPECT_TRUE(IniMode);
    EXPECT_EQ(ReadIniText(L"cbq_after", L"0"), L"<missing>");
    ProcessingOptions = {};
    LoadSettings();
    ExpectSameOptions(ProcessingOptions, EveryFieldChanged());
    ASSERT_EQ(recorder_->boxes.size(), 2u);
    EXPECT_EQ(recorder_->boxes[1].text, L"Setting copying from the registry to the ini file has been completed.");
    EXPECT_EQ(recorder_->boxes[1].caption, L"Nuvela");
}

TEST_F(PersistenceTest, FailedCopyShowsTheErrorBox) {
    BlockProductKey();
    CopySettingsIniToRegistry();
    SetLanguage(Language::English);
    CopySettingsIniToRegistry();
    ASSERT_EQ(recorder_->boxes.size(), 2u);
    EXPECT_EQ(recorder_->boxes[0].text, L"iniファイルからレジストリへ設定をコピーできませんでした。");
    EXPECT_EQ(recorder_->boxes[1].text, L"Setting copying from the ini file to the registry - Failed.");
    EXPECT_EQ(recorder_->boxes[1].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
}

}  // namespace
}  // namespace settings_test
