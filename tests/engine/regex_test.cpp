#include <gtest/gtest.h>

#include "engine_test.h"

#include <functional>

#include "language.h"
#include "options.h"
#include "pending_notification.h"
#include "pipeline.h"
#include "regex_replace.h"

namespace {

class RegexTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        SetLanguage(Language::English);
    }
    static std::wstring Replace(std::wstring text) {
        ApplyRegexReplacement(text);
        return text;
    }
};

struct RegexCase {
    const char* name;
    std::wstring before;
    std::wstring after;
    std::function<void(ProcessingOptionsRecord&)> flags;
    std::wstring input;
    std::wstring expected;
};

void NoFlags(ProcessingOptionsRecord&) {}

TEST_F(RegexTest, ReplacesEveryMatchWithTheFlagsGiven) {
    const RegexCase cases[] = {
        {"all matches replaced, rest copied", L"a+", L"-", NoFlags, L"caaab aa", L"c-b -"},
        {"group references", L"(\\w+)=(\\w+)", L"$2=$1", NoFlags, L"key=value", L"value=key"},
        {"braced group, whole match, dollar", L"(b)", L"${1}$&$0$$", NoFlags, L"abc", L"abbb$c"},
        {"text before and after the match", L"b", L"[$`|$']", NoFlags, L"abc", L"a[a|c]c"},
        {"case-conversion escapes", L"(\\w+)", L"\\U$1", NoFlags, L"up", L"UP"},
        {"empty format deletes", L"[0-9]", L"", NoFlags, L"a1b22", L"ab"},
        {"no match leaves the text", L"zz", L"y", NoFlags, L"abc", L"abc"},
        {"^ at every line", L"^x", L"", NoFlags, L"x1\nx2", L"1\n2"},
        {"$ at every line", L"\\d$", L"#", NoFlags, L"a1\r\nb2", L"a#\r\nb#"},
        {"single line: ^ only at the start", L"^x", L"", [](auto& o) { o.REP_SINGLELINE = true; }, L"x1\nx2", L"1\nx2"},
        {"dot matches a line break", L"a.b", L"-", NoFlags, L"a\nb", L"-"},
        {"dot stops at LF", L"a.b", L"-", [](auto& o) { o.REP_NOTDOTNEWLINE = true; }, L"a\nb", L"a\nb"},
        {"dot stops at CR", L"a.b", L"-", [](auto& o) { o.REP_NOTDOTNEWLINE = true; }, L"a\rb", L"a\rb"},
        {"dot still matches other characters", L"a.b", L"-", [](auto& o) { o.REP_NOTDOTNEWLINE = true; }, L"a\tb", L"-"},
        {"matches across lines", L"1\\r\\n2", L"+", NoFlags, L"1\r\n2", L"+"},
        {"case matters by default", L"ABC", L"x", NoFlags, L"abc", L"abc"},
        {"icase", L"ABC", L"x", [](auto& o) { o.REP_ICASE = true; }, L"abc", L"x"},
        {"empty pattern matches everywhere", L"", L"-", NoFlags, L"ab", L"-a-b-"},
        {"Japanese text", L"\\(株\\)", L"株式会社", NoFlags, L"(株)ヌベラ", L"株式会社ヌベラ"},
        {"TAB escape in pattern and format", L"\\t", L"\\n", NoFlags, L"a\tb", L"a\nb"},
        {"surrogate pair as two units", L"\xD83D\xDE00", L"?", NoFlags, L"a\xD83D\xDE00", L"a?"},
    };
    for (const RegexCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProcessingOptions = {};
        ProcessingOptions.REP_REP = true;
        ProcessingOptions.REP_BEFORE = c.before;
        ProcessingOptions.REP_AFTER = c.after;
        c.flags(ProcessingOptions);
        EXPECT_EQ(Replace(c.input), c.expected);
        EXPECT_TRUE(PendingNotification::Text().empty());
    }
}

TEST_F(RegexTest, OffLeavesTheTextWhateverThePattern) {
    ProcessingOptions.REP_BEFORE = L"(";
    ProcessingOptions.REP_AFTER = L"x";
    EXPECT_EQ(Replace(L"abc"), L"abc");
    ProcessingOptions.REP_BEFORE = L"b";
    EXPECT_EQ(Replace(L"abc"), L"abc");
    EXPECT_TRUE(PendingNotification::Text().empty());
}

struct FailureCase {
    const char* name;
    std::wstring before;
    std::wstring input;
};

TEST_F(RegexTest, FailuresLeaveTheTextAndWarn) {
    const FailureCase cases[] = {
        {"lone opening parenthesis", L"(", L"a(b"},
        {"unbalanced bracket", L"[a-", L"abc"},
        {"bad back reference", L"(a)\\2", L"aa"},
        {"nothing to repeat", L"*a", L"aa"},
        // Exponential backtracking runs into the library's complexity limit.
        {"too complex to match", L"(a*)*(b*)*(c*)*d", std::wstring(30, L'a') + std::wstring(30, L'b') + std::wstring(30, L'c')},
    };
    for (const Language language : {Language::English, Language::Japanese}) {
        SetLanguage(language);
        for (const FailureCase& c : cases) {
            SCOPED_TRACE(c.name);
            PendingNotification::Clear();
            ProcessingOptions.REP_REP = true;
            ProcessingOptions.REP_BEFORE = c.before;
            ProcessingOptions.REP_AFTER = L"x";
            EXPECT_EQ(Replace(c.input), c.input);
            EXPECT_EQ(PendingNotification::Text(),
                      language == Language::English ? L"regex error." : L"正規表現による文字列置換に失敗");
            EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);
        }
    }
}

// A failed replacement does not stop the later stages.
TEST_F(RegexTest, PipelineGoesOnAfterAFailure) {
    ProcessingOptions.REP_REP = true;
    ProcessingOptions.REP_BEFORE = L"(";
    ProcessingOptions.DelSpace = true;
    ProcessingOptions.LC_LF = true;
    std::wstring output;
    ProcessText(L"", L"a (b\r\nc", output);
    EXPECT_EQ(output, L"a(b\nc");
    EXPECT_EQ(PendingNotification::Text(), L"regex error.");
}

TEST_F(RegexTest, RunsAfterDeletionAndBeforeTheLineStage) {
    ProcessingOptions.REP_REP = true;
    ProcessingOptions.REP_BEFORE = L"^(.*)$";
    ProcessingOptions.REP_AFTER = L"<$1>";
    ProcessingOptions.REP_NOTDOTNEWLINE = true;
    ProcessingOptions.DelTab = true;
    ProcessingOptions.FEL_SORTDSC = true;
    std::wstring output;
    ProcessText(L"", L"a\tb\r\nc", output);
    EXPECT_EQ(output, L"<c>\r\n<ab>");
}

}  // namespace

// The dialog's check: what the replacement would refuse is refused with the library's message,
// whatever the switches say; a pattern the replacement takes passes.
TEST(CheckRegexPattern, RefusesWhatTheReplacementCannotCompile) {
    const struct {
        std::wstring pattern;
        PatternCheck expected;
    } cases[] = {
        {L"(^.*$)", PatternCheck::Valid}, {L"", PatternCheck::Valid},        {L"a{2,1}", PatternCheck::SyntaxError},
        {L"(", PatternCheck::SyntaxError}, {L"[a-", PatternCheck::SyntaxError}, {L"\\", PatternCheck::SyntaxError},
    };
    for (const auto& c : cases) {
        std::string message;
        EXPECT_EQ(CheckRegexPattern(c.pattern, message), c.expected) << std::string(c.pattern.begin(), c.pattern.end());
        EXPECT_EQ(message.empty(), c.expected == PatternCheck::Valid);
        ProcessingOptions.REP_REP = true;
        ProcessingOptions.REP_BEFORE = c.pattern;
        PendingNotification::Clear();
        std::wstring text = L"abc";
        ApplyRegexReplacement(text);
        EXPECT_EQ(PendingNotification::Text().empty(), c.expected == PatternCheck::Valid);
    }
    ProcessingOptions = {};
    PendingNotification::Clear();
}
