#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "combobox_queue.h"
#include "options.h"
#include "pending_notification.h"
#include "scoped_win.h"
#include "settings.h"
#include "settings_fixture.h"

namespace settings_test {
namespace {

// One profile write of a save fails; the ini file as it was at that moment is what a process ended
// there would have left behind.
struct FailingWrite {
    std::size_t failAt = 0;  // among the writes of keys; removing a section is not counted
    std::size_t keyWrites = 0;
    std::vector<BYTE> iniAtFailure;
    bool copyAtFailure = false;
};
FailingWrite failing;

bool FailAtOneKey(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file) {
    if (key && failing.keyWrites++ == failing.failAt) {
        failing.iniAtFailure = ReadFileBytes(kIniFileName);
        failing.copyAtFailure = std::filesystem::exists(kIniSaveCopyName);
        return false;
    }
    return WritePrivateProfileStringW(section, key, value, file) != FALSE;
}

std::wstring Failure(const wchar_t* key) {
    return std::wstring(L".\\Nuvela.iniの[Zelmora]セクションの") + key + L"に値を書き込めません。";
}

class AtomicSaveTest : public SettingsTest {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        IniMode = true;
        failing = FailingWrite();
    }

    void TearDown() override {
        SetProfileWriteFunction(nullptr);
        SettingsTest::TearDown();
    }

    // A user's file: the settings, a history and a section that belongs to nobody we know.
    static void WriteStartingIni() {
        ProcessingOptions.DelSpace = true;
        ProcessingOptions.CMDLINE = L"sort 日本語";
        ASSERT_TRUE(SaveSettings());
        ASSERT_TRUE(WritePrivateProfileStringW(L"cbq_before", L"0", L"history", kIniFileName));
        ASSERT_TRUE(WritePrivateProfileStringW(L"Other", L"Key", L"𠮷 value", kIniFileName));
    }

    static void ExpectStartingIniKept() {
        EXPECT_EQ(ReadIniText(L"Other", L"Key"), L"𠮷 value");
        EXPECT_EQ(ReadIniText(L"cbq_before", L"0"), L"history");
        const std::vector<BYTE> file = ReadFileBytes(kIniFileName);
        ASSERT_GE(file.size(), 2u);
        EXPECT_EQ(file[0], 0xFF);
        EXPECT_EQ(file[1], 0xFE);
    }
};

TEST_F(AtomicSaveTest, SaveCutShortAtAnyKeyLeavesTheIniAsItWas) {
    WriteStartingIni();
    const std::vector<BYTE> original = ReadFileBytes(kIniFileName);
    SetProfileWriteFunction(FailAtOneKey);
    const auto fields = OptionFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(fields[i].key)));
        failing = FailingWrite();
        failing.failAt = i;
        ProcessingOptions.DelSpace = false;
        ProcessingOptions.CMDLINE = L"changed";
        PendingNotification::Clear();
        EXPECT_FALSE(SaveSettings());
        EXPECT_EQ(failing.keyWrites, fields.size()) << "every key is tried, so every failure is reported";
        EXPECT_TRUE(failing.copyAtFailure);
        EXPECT_EQ(failing.iniAtFailure, original) << "a process ended at this key leaves the file whole";
        EXPECT_EQ(ReadFileBytes(kIniFileName), original);
        EXPECT_FALSE(std::filesystem::exists(kIniSaveCopyName));
        EXPECT_EQ(PendingNotification::Text(), Failure(fields[i].key));
    }

    SetProfileWriteFunction(nullptr);
    EXPECT_TRUE(SaveSettings());
    EXPECT_NE(ReadFileBytes(kIniFileName), original);
    EXPECT_FALSE(std::filesystem::exists(kIniSaveCopyName));
    ExpectStartingIniKept();
    ProcessingOptions = {};
    LoadSettings();
    EXPECT_FALSE(ProcessingOptions.DelSpace);
    EXPECT_EQ(ProcessingOptions.CMDLINE, L"changed");
}

// Another program reading the ini holds it open without sharing its deletion, so the saved copy
// cannot take its place at first: the save waits for the reader instead of being lost.
UniqueHandle reader;
int pauses = 0;
void ReaderLetsGoAtTheFirstPause() {
    ++pauses;
    reader.reset();
}

TEST_F(AtomicSaveTest, SaveWaitsForAReaderThatHoldsTheIniOpen) {
    WriteStartingIni();
    reader.reset(CreateFileW(kIniFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(reader);
    pauses = 0;
    SetSaveRetryPause(ReaderLetsGoAtTheFirstPause);
    ProcessingOptions.DelSpace = false;
    const bool saved = SaveSettings();
    SetSaveRetryPause(nullptr);
    reader.reset();
    EXPECT_TRUE(saved);
    EXPECT_EQ(pauses, 1) << "the replacement was not held up by the open file";
    EXPECT_EQ(ReadIniText(L"Zelmora", L"DelSpace"), L"0");
    EXPECT_EQ(ReadIniText(L"Other", L"Key"), L"𠮷 value");
    EXPECT_FALSE(std::filesystem::exists(kIniSaveCopyName));
}

TEST_F(AtomicSaveTest, LeftoverCopyOfAnEndedSaveIsRemovedByTheNextSave) {
    WriteStartingIni();
    {
        UniqueFileHandle leftover(
            CreateFileW(kIniSaveCopyName, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(leftover);
        const char partial[] = "[Zelmora]\r\nDelSp";
        DWORD written = 0;
        ASSERT_TRUE(WriteFile(leftover.get(), partial, sizeof partial - 1, &written, nullptr));
    }
    ProcessingOptions.DelTab = true;
    EXPECT_TRUE(SaveSettings());
    EXPECT_FALSE(std::filesystem::exists(kIniSaveCopyName));
    ExpectStartingIniKept();
    ProcessingOptions = {};
    LoadSettings();
    EXPECT_TRUE(ProcessingOptions.DelSpace);
    EXPECT_TRUE(ProcessingOptions.DelTab);
    EXPECT_EQ(ProcessingOptions.CMDLINE, L"sort 日本語");
}

TEST_F(AtomicSaveTest, HistoryWriteCutShortAtAnyKeyLeavesTheIniAsItWas) {
    WriteStartingIni();
    const UniqueWindow combobox(CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWN, 0, 0, 200, 200, nullptr,
                                                nullptr, nullptr, nullptr));
    ASSERT_TRUE(combobox);
    ComboboxQueue queue;
    queue.Initialise(combobox.get(), L"cbq_before");
    ASSERT_EQ(queue.Entries(), std::vector<std::wstring>{L"history"});
    ASSERT_TRUE(queue.Push(L"b"));
    ASSERT_TRUE(queue.Push(L"c"));
    const std::vector<BYTE> original = ReadFileBytes(kIniFileName);

    // Each push moves the oldest entry to the front, so every push writes as many keys and each
    // one, the last included, fails once.
    const std::size_t keys = queue.Entries().size();
    SetProfileWriteFunction(FailAtOneKey);
    for (std::size_t i = 0; i < keys; ++i) {
        SCOPED_TRACE(i);
        failing = FailingWrite();
        failing.failAt = i;
        EXPECT_FALSE(queue.Push(queue.Entries().back()));
        EXPECT_EQ(failing.keyWrites, keys);
        EXPECT_TRUE(failing.copyAtFailure);
        EXPECT_EQ(failing.iniAtFailure, original);
        EXPECT_EQ(ReadFileBytes(kIniFileName), original);
        EXPECT_FALSE(std::filesystem::exists(kIniSaveCopyName));
    }

    SetProfileWriteFunction(nullptr);
    EXPECT_TRUE(queue.Push(L"last"));
    EXPECT_FALSE(std::filesystem::exists(kIniSaveCopyName));
    EXPECT_EQ(ReadIniText(L"cbq_before", L"0"), L"last");
    EXPECT_EQ(ReadIniText(L"cbq_before", L"3"), L"history");
    EXPECT_EQ(ReadIniText(L"Other", L"Key"), L"𠮷 value");
    EXPECT_EQ(ReadIniText(kIniSection, L"CMDLINE"), L"sort 日本語");
}

}  // namespace
}  // namespace settings_test
