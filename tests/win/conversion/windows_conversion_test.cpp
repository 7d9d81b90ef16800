// What only the Windows build can show: the sample file beside Nuvela.exe, loading by the relative
// name the main window uses, and case folding by the Windows locale in the regular expression.
#include <gtest/gtest.h>

#include <fstream>
#include <type_traits>

#include "conversion.h"
#include "options.h"
#include "pending_notification.h"
#include "regex_replace.h"
#include "regex_traits.h"
#include "test_support.h"

namespace {

static_assert(std::is_same_v<RegexTraits, boost::w32_regex_traits<wchar_t>>);

class WindowsConversionTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        ConversionSet.clear();
        ProcessingOptions = {};
        PendingNotification::Clear();
    }
};

TEST_F(WindowsConversionTest, SampleShipsBesideNuvelaAndLoadsByItsRelativeName) {
    const std::filesystem::path shipped = test_support::NuvelaExe().parent_path() / L"Convert.def";
    char mark[2] = {};
    std::ifstream(shipped, std::ios::binary).read(mark, 2);
    EXPECT_EQ(mark[0], '\xFF');
    EXPECT_EQ(mark[1], '\xFE');

    test_support::TemporaryFolder folder;
    std::filesystem::copy_file(shipped, folder.path() / L"Convert.def");
    ASSERT_TRUE(LoadConversionFile(L"Convert.def"));
    ASSERT_GE(ConversionSet.size(), 10u);
    EXPECT_EQ(ConversionSet[0].name, L"Fullwidth to halfwidth letters and digits");
    EXPECT_EQ(ConversionSet[0].label, L"全角英数字→半角");

    std::wstring text = L"ｶﾞｲﾄﾞ\x3000ＡＢＣ";
    ApplyConversion(L"Halfwidth katakana to fullwidth", text);
    ApplyConversion(L"Plain text clean-up", text);
    EXPECT_EQ(text, L"ガイド ABC");
}

TEST_F(WindowsConversionTest, MissingFileLoadsNothing) {
    test_support::TemporaryFolder folder;
    EXPECT_FALSE(LoadConversionFile(L"Convert.def"));
    EXPECT_TRUE(ConversionSet.empty());
}

// The Windows locale folds letters beyond ASCII: accented, Greek, Cyrillic and full-width.
TEST_F(WindowsConversionTest, IcaseFoldsBeyondAscii) {
    const struct {
        std::wstring pattern;
        std::wstring text;
    } cases[] = {
        {L"ÄÖÜ", L"äöü"},
        {L"ΣΩ", L"σω"},
        {L"ЖЯ", L"жя"},
        {L"ＡＢＣ", L"ａｂｃ"},
    };
    for (const auto& c : cases) {
        ProcessingOptions.REP_REP = true;
        ProcessingOptions.REP_BEFORE = c.pattern;
        ProcessingOptions.REP_AFTER = L"=";
        std::wstring text = c.text;
        ProcessingOptions.REP_ICASE = false;
        ApplyRegexReplacement(text);
        EXPECT_EQ(text, c.text);
        ProcessingOptions.REP_ICASE = true;
        ApplyRegexReplacement(text);
        EXPECT_EQ(text, L"=");
    }
    EXPECT_TRUE(PendingNotification::Text().empty());
}

}  // namespace
