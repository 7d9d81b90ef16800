#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <string_view>

#include "options.h"

namespace {

TEST(OptionFields, UniqueKeysWithTheAddedOnesAfterBigDialog) {
    const auto fields = OptionFields();
    ASSERT_FALSE(fields.empty());
    std::set<std::wstring> keys;
    for (const OptionField& field : fields) keys.insert(field.key);
    EXPECT_EQ(keys.size(), fields.size());
    EXPECT_STREQ(fields.front().key, L"FileFolderCopy");
    ASSERT_EQ(fields.size(), 75u);
    EXPECT_STREQ(fields[56].key, L"BIGDIALOG");
    const wchar_t* const added[] = {L"APP_RULE",   L"APP_LIST",      L"CLN_MARKDOWN", L"CLN_INVISIBLE", L"CLN_SPACES",
                                    L"CLN_QUOTES", L"CLN_NORMALIZE", L"CLN_UNWRAP",   L"KEEP_ORIGINAL", L"SK3_SHIFT",
                                    L"SK3_CTRL",   L"SK3_ALT",       L"SK3_VKEY",     L"SK4_SHIFT",     L"SK4_CTRL",
                                    L"SK4_ALT",    L"SK4_VKEY",      L"PASTE_RESTORE_MS"};
    for (std::size_t i = 0; i < std::size(added); ++i) EXPECT_STREQ(fields[57 + i].key, added[i]);
}

// The table's defaults and the record's initial values must never drift apart.
TEST(OptionFields, TableDefaultsEqualRecordDefaults) {
    const ProcessingOptionsRecord fresh;
    for (const OptionField& field : OptionFields()) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(field.key)));
        if (field.kind == OptionKind::Text)
            EXPECT_EQ(fresh.*field.text, field.defaultText);
        else
            EXPECT_EQ(OptionIntegerValue(fresh, field), field.defaultInteger);
    }
}

bool SameValue(const ProcessingOptionsRecord& a, const ProcessingOptionsRecord& b, const OptionField& field) {
    return field.kind == OptionKind::Text ? a.*field.text == b.*field.text
                                          : OptionIntegerValue(a, field) == OptionIntegerValue(b, field);
}

// Storing a field changes that field and no other, so no two fields share a member.
TEST(OptionFields, EachFieldWritesItsOwnMember) {
    const ProcessingOptionsRecord fresh;
    for (const OptionField& field : OptionFields()) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(field.key)));
        ProcessingOptionsRecord record;
        if (field.kind == OptionKind::Text)
            StoreLoadedText(record, field, L"7");
        else
            // 200, unless the load-time check makes that the default (APP_RULE and CLN_NORMALIZE know 0 to 2 only)
            StoreLoadedInteger(record, field,
                               field.defaultInteger == 1                             ? 0
                               : CheckedInteger(field.key, 200) == field.defaultInteger ? 2
                                                                                        : 200);
        EXPECT_FALSE(SameValue(record, fresh, field));
        for (const OptionField& other : OptionFields()) {
            if (&other != &field) {
                EXPECT_TRUE(SameValue(record, fresh, other)) << testing::PrintToString(std::wstring(other.key));
            }
        }
        EXPECT_EQ(FindOptionField(field.key), &field);
    }
    EXPECT_EQ(FindOptionField(L"NoSuchKey"), nullptr);
}

struct LoadCheckCase {
    const wchar_t* key;
    int stored;
    int loaded;
};

TEST(OptionFields, LoadChecksCorrectOutOfRangeValues) {
    const LoadCheckCase cases[] = {
        {L"MultiDivSec", 500, 500},    {L"MultiDivSec", 0, 1000},     {L"MultiDivSec", 10000, 10000},
        {L"MultiDivSec", 3000, 1000},  {L"Delay1Sec", 0, 0},          {L"Delay1Sec", 700, 700},
        {L"Delay1Sec", 300, 1000},     {L"Delay1Sec", -1, 1000},      {L"ALPHA_FLOATING", 0, 0},
        {L"ALPHA_FLOATING", 256, 255}, {L"ALPHA_FLOATING2", -1, 255}, {L"SK1_VKEY", 300, 44},
        {L"SK2_VKEY", -1, 255},        {L"DelSpace", 7, 1},           {L"DelSpace", -2, 1},
        {L"LEFT_FLOATING", -32000, -32000}, {L"CMDLINE_CHARCODE", 9, 9},
        {L"APP_RULE", 2, 2},           {L"APP_RULE", 3, 0},           {L"APP_RULE", -1, 0},
        {L"CLN_NORMALIZE", 2, 2},      {L"CLN_NORMALIZE", 3, 0},      {L"CLN_NORMALIZE", -1, 0},
        {L"CLN_UNWRAP", 5, 1},         {L"PASTE_RESTORE_MS", 100, 100}, {L"PASTE_RESTORE_MS", 5000, 5000},
        {L"PASTE_RESTORE_MS", 99, 500}, {L"PASTE_RESTORE_MS", 5001, 500}, {L"PASTE_RESTORE_MS", -1, 500},
    };
    for (const LoadCheckCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.key)) + " " + std::to_string(c.stored));
        ProcessingOptionsRecord record;
        const OptionField* field = FindOptionField(c.key);
        ASSERT_NE(field, nullptr);
        StoreLoadedInteger(record, *field, c.stored);
        EXPECT_EQ(OptionIntegerValue(record, *field), c.loaded);
    }
}

TEST(OptionFields, MultiplierFallsBackToOne) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"2", L"2"}, {L"1.0", L"1.0"}, {L".", L"."}, {L"0", L"0"},
        {L"", L"1"},  {L"-2", L"1"},    {L"1e3", L"1"}, {L" 2", L"1"},
    };
    for (const auto& [stored, loaded] : cases) {
        ProcessingOptionsRecord record;
        StoreLoadedText(record, *FindOptionField(L"MUL_BY_N"), stored);
        EXPECT_EQ(record.MUL_BY_N, loaded) << testing::PrintToString(std::wstring(stored));
    }
}

}  // namespace
