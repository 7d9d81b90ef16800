#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "registry.h"
#include "settings_fixture.h"

namespace settings_test {
namespace {

using RegistryTest = SettingsTest;

std::vector<BYTE> Bytes(std::initializer_list<BYTE> bytes) { return bytes; }

std::vector<BYTE> TextBytes(const std::wstring& text, bool terminated = true) {
    std::vector<BYTE> bytes((text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t), 0);
    std::memcpy(bytes.data(), text.data(), text.size() * sizeof(wchar_t));
    return bytes;
}

TEST_F(RegistryTest, ReadOnlyOpenOfMissingKeyFailsAndCreatesNothing) {
    REGW registry;
    EXPECT_FALSE(registry.OpenKey(REGW::kReadOnly));
    EXPECT_FALSE(registry.OpenKey(0));
    EXPECT_FALSE(ProductKeyExists());
    EXPECT_TRUE(registry.OpenKey(REGW::kCreate));
    EXPECT_TRUE(ProductKeyExists());
    EXPECT_TRUE(registry.CloseKey());
    EXPECT_TRUE(recorder_->boxes.empty());
}

struct IntegerCase {
    const char* label;
    DWORD type;
    std::vector<BYTE> data;
    int expected;
};

TEST_F(RegistryTest, ReadIntegerWConvertsEachType) {
    constexpr int kDefault = 77;
    const IntegerCase cases[] = {
        {"negative text", REG_SZ, TextBytes(L"-5"), -5},
        {"plus sign alone", REG_SZ, TextBytes(L"+"), 0},
        {"minus sign alone", REG_SZ, TextBytes(L"-"), 0},
        {"explicit plus", REG_SZ, TextBytes(L"+42"), 42},
        {"trailing letter", REG_SZ, TextBytes(L"12a"), kDefault},
        {"leading blank", REG_SZ, TextBytes(L" 12"), kDefault},
        {"empty text", REG_SZ, TextBytes(L""), kDefault},
        {"eleven nines", REG_SZ, TextBytes(L"99999999999"), 2147483647},
        {"one above the maximum", REG_SZ, TextBytes(L"2147483648"), 2147483647},
        {"minimum", REG_SZ, TextBytes(L"-2147483648"), -2147483647 - 1},
        {"far below the minimum", REG_SZ, TextBytes(L"-99999999999999999999"), -2147483647 - 1},
        {"text without terminator", REG_SZ, TextBytes(L"123", false), 123},
        {"odd byte count", REG_SZ, Bytes({'4', 0, '2', 0, 0}), 42},
        {"expandable text", REG_EXPAND_SZ, TextBytes(L"17"), 17},
        {"first of a multi-string", REG_MULTI_SZ, TextBytes(std::wstring(L"7\0" L"8\0", 4)), 7},
        {"dword all ones", REG_DWORD, Bytes({0xFF, 0xFF, 0xFF, 0xFF}), -1},
        {"dword", REG_DWORD, Bytes({0x2C, 0x01, 0, 0}), 300},
        {"short binary", REG_BINARY, Bytes({1, 2}), 0x0201},
        {"empty binary", REG_BINARY, Bytes({}), 0},
        {"long binary", REG_BINARY, Bytes({1, 0, 0, 0, 9, 9}), 1},
        {"qword low half", REG_QWORD, Bytes({2, 0, 0, 0, 1, 0, 0, 0}), 2},
        {"big endian", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 1, 2}), 0x0102},
        {"big endian negative", REG_DWORD_BIG_ENDIAN, Bytes({0xFF, 0xFF, 0xFF, 0xFE}), -2},
        {"no type", REG_NONE, Bytes({5, 0, 0, 0}), kDefault},
    };
    for (const IntegerCase& c : cases) {
        SCOPED_TRACE(c.label);
        SetRawValue(L"Value", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        REGW registry;
        ASSERT_TRUE(registry.OpenKey(REGW::kReadOnly));
        EXPECT_EQ(registry.ReadIntegerW(L"Value", kDefault), c.expected);
        EXPECT_EQ(registry.ReadIntegerW(L"Missing", kDefault), kDefault);
        EXPECT_TRUE(registry.CloseKey());
    }
    EXPECT_TRUE(recorder_->boxes.empty());
}

// The caller's buffer is exactly kRegistryTextUnits long; a guard after it must stay untouched.
class GuardedBuffer {
public:
    GuardedBuffer() : units_(kRegistryTextUnits + kGuard, L'#') {}
    wchar_t* data() { return units_.data(); }
    std::wstring text() const { return units_.data(); }
    bool GuardIntact() const {
        for (std::size_t i = kRegistryTextUnits; i < units_.size(); ++i)
            if (units_[i] != L'#') return false;
        return true;
    }

private:
    static constexpr std::size_t kGuard = 64;
    std::vector<wchar_t> units_;
};

struct StringCase {
    const char* label;
    DWORD type;
    std::vector<BYTE> data;
    bool read;
    std::wstring expected;
};

TEST_F(RegistryTest, ReadStringWAlwaysEndsTerminatedInsideTheBuffer) {
    const std::wstring longest(kRegistryTextUnits - 1, L'L');
    const StringCase cases[] = {
        {"plain text", REG_SZ, TextBytes(L"日本語𠮷"), true, L"日本語𠮷"},
        {"text without terminator", REG_SZ, TextBytes(L"abc", false), true, L"abc"},
        {"odd byte count", REG_BINARY, Bytes({'a', 0, 'b', 0, 'c'}), true, L"abc"},
        {"dword", REG_DWORD, Bytes({'A', 0, 'B', 0}), true, L"AB"},
        {"longest that fits", REG_SZ, TextBytes(longest), true, longest},
        {"one unit too many", REG_SZ, TextBytes(longest + L"M"), false, L""},
        {"full buffer without terminator", REG_BINARY, TextBytes(longest + L"M", false), false, L""},
        {"far too long", REG_SZ, TextBytes(std::wstring(5000, L'x')), false, L""},
    };
    for (const StringCase& c : cases) {
        SCOPED_TRACE(c.label);
        SetRawValue(L"Text", c.type, c.data.data(), static_cast<DWORD>(c.data.size()));
        GuardedBuffer buffer;
        REGW registry;
        ASSERT_TRUE(registry.OpenKey(REGW::kReadOnly));
        EXPECT_EQ(registry.ReadStringW(L"Text", buffer.data()), c.read);
        EXPECT_EQ(buffer.text(), c.expected);
        EXPECT_TRUE(buffer.GuardIntact());
        EXPECT_TRUE(registry.CloseKey());
    }
}

TEST_F(RegistryTest, ReadStringWWithoutNameLeavesBufferOrMissingValueEmptiesIt) {
    SetRawString(L"Text", L"stored");
    REGW registry;
    ASSERT_TRUE(registry.OpenKey(REGW::kReadOnly));
    wchar_t buffer[kRegistryTextUnits] = L"before";
    EXPECT_FALSE(registry.ReadStringW(nullptr, buffer));
    EXPECT_STREQ(buffer, L"before");
    EXPECT_FALSE(registry.ReadStringW(L"Missing", buffer));
    EXPECT_STREQ(buffer, L"");
    EXPECT_TRUE(registry.CloseKey());
    EXPECT_TRUE(recorder_->boxes.empty());
}

TEST_F(RegistryTest, WritesStoreTerminatedTextAndDword) {
    REGW registry;
    ASSERT_TRUE(registry.OpenKey(REGW::kCreate));
    EXPECT_TRUE(registry.WriteStringW(L"Empty", L""));
    EXPECT_TRUE(registry.WriteStringW(L"Text", L"日本語𠮷"));
    EXPECT_TRUE(registry.WriteIntegerW(L"Number", -2));
    EXPECT_TRUE(registry.CloseKey());
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(GetRawValue(L"Empty", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, Bytes({0, 0}));
    ASSERT_TRUE(GetRawValue(L"Text", type, data));
    EXPECT_EQ(data, TextBytes(L"日本語𠮷"));
    ASSERT_TRUE(GetRawValue(L"Number", type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data, Bytes({0xFE, 0xFF, 0xFF, 0xFF}));
}

struct MisuseCase {
    const char* label;
    void (*misuse)();
    const wchar_t* japaneseStart;
    const wchar_t* english;
};

const MisuseCase kMisuses[] = {
    {"destroyed while open", [] { REGW registry; (void)registry.OpenKey(REGW::kCreate); },
     L"レジストリを自動クローズしました。\n", L"An error has occurred in REGW::~REGW()."},
    {"opened twice", [] { REGW registry; (void)registry.OpenKey(REGW::kCreate); (void)registry.OpenKey(REGW::kCreate); (void)registry.CloseKey(); },
     L"レジストリキーを多重オープンしようとしたので保護しました(REGW::OpenKey())。\n",
     L"An error has occurred in REGW::OpenKey()."},
    {"read text while closed", [] { REGW registry; wchar_t buffer[kRegistryTextUnits] = L"x"; (void)registry.ReadStringW(L"a", buffer); },
     L"開かれていないキーを対象に ReadStringW が行われようとしたので保護します。\n",
     L"An error has occurred in ReadStringW."},
    {"read integer while closed", [] { REGW registry; EXPECT_EQ(registry.ReadIntegerW(L"a", 9), 9); },
     L"開かれていないキーを対象に ReadIntegerW が行われようとしたので保護します。\n",
     L"An error has occurred in ReadIntegerW."},
    {"write text while closed", [] { REGW registry; EXPECT_FALSE(registry.WriteStringW(L"a", L"b")); },
     L"開かれていないキーを対象に WriteStringW が行われようとしたので保護します。\n",
     L"An error has occurred in WriteStringW."},
    {"write integer while closed", [] { REGW registry; EXPECT_FALSE(registry.WriteIntegerW(L"a", 1)); },
     L"開かれていないキーを対象に WriteIntegerW が行われようとしたので保護します。\n",
     L"An error has occurred in WriteIntegerW."},
    {"closed twice", [] { REGW registry; (void)registry.OpenKey(REGW::kCreate); (void)registry.CloseKey(); EXPECT_FALSE(registry.CloseKey()); },
     L"レジストリを多重クローズしようとしたので保護しました(REGW::CloseKey)。\n",
     L"An error has occurred in REGW::CloseKey()."},
};

TEST_F(RegistryTest, EachMisuseShowsOneWarningInTheWrapperLanguage) {
    const std::wstring reportRequest =
        L"このメッセージが表示されたら、現在編集している/していたダイアログの名前を、メッセージの内容と共に正確に作者まで報告して下さい。";
    for (const Language language : {Language::Japanese, Language::English}) {
        RegistryMessageLanguage = language;
        for (const MisuseCase& c : kMisuses) {
            SCOPED_TRACE(c.label);
            recorder_->boxes.clear();
            c.misuse();
            ASSERT_EQ(recorder_->boxes.size(), 1u);
            EXPECT_EQ(recorder_->boxes[0].caption, L"Registory Class");
            EXPECT_EQ(recorder_->boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
            EXPECT_EQ(recorder_->boxes[0].text, language == Language::Japanese ? c.japaneseStart + reportRequest : c.english);
        }
    }
}

TEST_F(RegistryTest, StartUpSwitchesWarningsToEnglish) {
    UseEnglishRegistryMessages();
    EXPECT_EQ(RegistryMessageLanguage, Language::English);
    REGW registry;
    EXPECT_FALSE(registry.CloseKey());
    ASSERT_EQ(recorder_->boxes.size(), 1u);
    EXPECT_EQ(recorder_->boxes[0].text, L"An error has occurred in REGW::CloseKey().");
}

// After a double open exactly one key is held: one close empties the object, and its
// destruction is then silent.
TEST_F(RegistryTest, DoubleOpenLeavesOneKeyOpen) {
    {
        REGW registry;
        ASSERT_TRUE(registry.OpenKey(REGW::kCreate));
        ASSERT_TRUE(registry.OpenKey(REGW::kReadOnly));
        EXPECT_TRUE(registry.CloseKey());
        EXPECT_FALSE(registry.IsOpen());
    }
    EXPECT_EQ(recorder_->boxes.size(), 1u);
}

}  // namespace
}  // namespace settings_test
