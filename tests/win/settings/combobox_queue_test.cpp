#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "combobox_queue.h"
#include "scoped_win.h"
#include "settings.h"
#include "settings_fixture.h"

namespace settings_test {
namespace {

// Runs every case against both stores.
class ComboboxQueueTest : public SettingsTest, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        SettingsTest::SetUp();
        IniMode = GetParam();
        if (IniMode) {
            ASSERT_TRUE(EnsureIniFile());
        }
        combobox_ = CreateCombobox(CBS_DROPDOWN);
        ASSERT_TRUE(combobox_);
    }

    static UniqueWindow CreateCombobox(DWORD style) {
        return UniqueWindow(CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | WS_VSCROLL | style, 0, 0, 200, 200,
                                            nullptr, nullptr, nullptr, nullptr));
    }

    std::vector<std::wstring> ListItems() const {
        std::vector<std::wstring> items;
        const LRESULT count = SendMessageW(combobox_.get(), CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            std::wstring item(SendMessageW(combobox_.get(), CB_GETLBTEXTLEN, i, 0), L'\0');
            SendMessageW(combobox_.get(), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
            items.push_back(item);
        }
        return items;
    }

    // What a queue opened afresh reads back from the store.
    static std::vector<std::wstring> Stored() {
        const UniqueWindow other = CreateCombobox(CBS_DROPDOWN);
        ComboboxQueue queue;
        queue.Initialise(other.get(), L"cbq_before");
        return queue.Entries();
    }

    static void ForgetStored() {
        if (IniMode)
            WritePrivateProfileStringW(L"cbq_before", nullptr, nullptr, kIniFileName);
        else
            DeleteProductKey();
    }

    UniqueWindow combobox_;
};

using Texts = std::vector<std::wstring>;

TEST_P(ComboboxQueueTest, PushKeepsMostRecentFirstInMemoryStoreAndList) {
    ComboboxQueue queue;
    queue.Initialise(combobox_.get(), L"cbq_before");
    EXPECT_TRUE(queue.Entries().empty());
    for (const wchar_t* text : {L"a", L"b", L"ABC", L"abc", L" 'c' "}) EXPECT_TRUE(queue.Push(text));
    const Texts expected = {L" 'c' ", L"abc", L"ABC", L"b", L"a"};
    EXPECT_EQ(queue.Entries(), expected);
    EXPECT_EQ(ListItems(), expected);
    EXPECT_EQ(SendMessageW(combobox_.get(), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(Stored(), expected);

    EXPECT_TRUE(queue.Push(L"b"));  // an older entry moves up without a duplicate
    EXPECT_EQ(queue.Entries(), (Texts{L"b", L" 'c' ", L"abc", L"ABC", L"a"}));
    EXPECT_EQ(Stored(), queue.Entries());
    EXPECT_TRUE(recorder_->boxes.empty());
}

TEST_P(ComboboxQueueTest, PushingTheMostRecentEntryWritesNothing) {
    ComboboxQueue queue;
    queue.Initialise(combobox_.get(), L"cbq_before");
    ASSERT_TRUE(queue.Push(L"x"));
    ForgetStored();
    EXPECT_TRUE(queue.Push(L"x"));
    EXPECT_TRUE(Stored().empty());
    EXPECT_TRUE(queue.Push(L"y"));
    EXPECT_EQ(Stored(), (Texts{L"y", L"x"}));
}

TEST_P(ComboboxQueueTest, SeventeenthTextPushesOutTheOldest) {
    ComboboxQueue queue;
    queue.Initialise(combobox_.get(), L"cbq_before");
    Texts expected;
    for (int i = 1; i <= 17; ++i) {
        ASSERT_TRUE(queue.Push(L"entry " + std::to_wstring(i)));
        expected.insert(expected.begin(), L"entry " + std::to_wstring(i));
    }
    expected.pop_back();
    EXPECT_EQ(queue.Entries(), expected);
    EXPECT_EQ(ListItems(), expected);
    EXPECT_EQ(Stored(), expected);
    if (IniMode) {
        EXPECT_EQ(ReadIniText(L"cbq_before", L"15"), L"entry 2");
        EXPECT_EQ(ReadIniText(L"cbq_before", L"16"), L"<missing>");
    } else {
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(GetRawValue(L"cbq_before", type, data));
        EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
        std::wstring multi(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
        EXPECT_EQ(std::count(multi.begin(), multi.end(), L'\0'), 17);  // 16 terminators and the closing one
    }
}

TEST_P(ComboboxQueueTest, LongEntriesAreCutOnlyByTheIniFile) {
    const std::wstring longText(1500, L'長');
    ComboboxQueue queue;
    queue.Initialise(combobox_.get(), L"cbq_before");
    ASSERT_TRUE(queue.Push(longText));
    EXPECT_EQ(Stored(), Texts{IniMode ? longText.substr(0, 1023) : longText});
}

TEST_P(ComboboxQueueTest, SortedComboboxIsReportedOnceAndStillWorks) {
    const UniqueWindow sorted = CreateCombobox(CBS_DROPDOWN | CBS_SORT);
    ComboboxQueue queue;
    queue.Initialise(sorted.get(), L"cbq_before");
    ASSERT_EQ(recorder_->boxes.size(), 1u);
    EXPECT_EQ(recorder_->boxes[0].text, L"Warning: Combobox Control has CBS_SORT style!");
    EXPECT_EQ(recorder_->boxes[0].caption, L"ComboboxQueue");
    EXPECT_EQ(recorder_->boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(queue.Push(L"b"));
    EXPECT_TRUE(queue.Push(L"a"));
    EXPECT_EQ(Stored(), (Texts{L"a", L"b"}));
    EXPECT_EQ(recorder_->boxes.size(), 1u);
}

TEST_P(ComboboxQueueTest, MissingComboboxOrNameLeavesTheQueueUnbound) {
    ComboboxQueue queue;
    queue.Initialise(nullptr, L"cbq_before");
    EXPECT_FALSE(queue.Push(L"x"));
    queue.Initialise(combobox_.get(), nullptr);
    EXPECT_FALSE(queue.Push(L"x"));
    EXPECT_TRUE(Stored().empty());
    EXPECT_TRUE(ListItems().empty());
}

INSTANTIATE_TEST_SUITE_P(BothStores, ComboboxQueueTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Ini" : "Registry"; });

using ComboboxQueueStoreTest = SettingsTest;

TEST_F(ComboboxQueueStoreTest, IniHistoryEndsAtTheFirstMissingKey) {
    IniMode = true;
    ASSERT_TRUE(EnsureIniFile());
    for (const wchar_t* key : {L"0", L"1", L"3"}) WritePrivateProfileStringW(L"cbq_after", key, key, kIniFileName);
    const UniqueWindow combobox(CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWN, 0, 0, 100, 100, nullptr,
                                                nullptr, nullptr, nullptr));
    ComboboxQueue queue;
    queue.InitialiseIni(combobox.get(), L"cbq_after");
    EXPECT_EQ(queue.Entries(), (Texts{L"0", L"1"}));
    EXPECT_EQ(SendMessageW(combobox.get(), CB_GETCOUNT, 0, 0), 2);
}

struct RegistryHistoryCase {
    const char* label;
    DWORD type;
    std::wstring data;
    std::size_t bytesCut;  // bytes left off the end of data
    Texts expected;
};

// Stored values of another type, or without their terminators, are never trusted as text.
TEST_F(ComboboxQueueStoreTest, RegistryHistoryIsReadSafelyWhateverIsStored) {
    const RegistryHistoryCase cases[] = {
        {"proper", REG_MULTI_SZ, std::wstring(L"b\0a\0\0", 5), 0, {L"b", L"a"}},
        {"empty first text", REG_MULTI_SZ, std::wstring(L"\0a\0\0", 4), 0, {L"", L"a"}},
        {"no terminators", REG_MULTI_SZ, std::wstring(L"b\0a", 3), 0, {L"b", L"a"}},
        {"odd byte count", REG_MULTI_SZ, std::wstring(L"b\0ax", 4), 1, {L"b", L"ax"}},
        {"text value", REG_SZ, std::wstring(L"a\0", 2), 0, {}},
        {"binary value", REG_BINARY, std::wstring(L"a\0\0", 3), 0, {}},
    };
    for (const RegistryHistoryCase& c : cases) {
        SCOPED_TRACE(c.label);
        SetRawValue(L"cbq_before", c.type, c.data.data(), static_cast<DWORD>(c.data.size() * 2 - c.bytesCut));
        const UniqueWindow combobox(CreateWindowExW(0, L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWN, 0, 0, 100, 100,
                                                    nullptr, nullptr, nullptr, nullptr));
        ComboboxQueue queue;
        queue.InitialiseRegistry(combobox.get(), L"cbq_before");
        EXPECT_EQ(queue.Entries(), c.expected);
        ASSERT_TRUE(queue.Push(L"new"));
        DWORD type = 0;
        std::vector<BYTE> stored;
        ASSERT_TRUE(GetRawValue(L"cbq_before", type, stored));
        EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    }
}

}  // namespace
}  // namespace settings_test
