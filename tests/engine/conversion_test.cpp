#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "conversion.h"
#include "language.h"
#include "options.h"
#include "pending_notification.h"
#include "pipeline.h"

namespace {

ConversionEntry Pair(std::wstring source, std::wstring replacement) {
    return ConversionPair{std::move(source), std::move(replacement)};
}
ConversionEntry Ref(std::wstring target) { return ConversionReference{std::move(target)}; }

// A folder of its own under the system's temporary folder, removed with everything in it.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        // A non-ASCII folder name proves the file is opened by its wide name.
        path_ = std::filesystem::temp_directory_path() / ("nuvela-conversion-" + std::to_string(random()));
        path_ += u8"-変換";
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // Writes UTF-16LE units, with the FF FE mark unless `mark` is given otherwise.
    std::filesystem::path Write(std::wstring_view units, std::string mark = "\xFF\xFE", std::string tail = {}) const {
        const std::filesystem::path file = path_ / L"Convert.def";
        std::string bytes = mark;
        for (const wchar_t unit : units) {
            bytes.push_back(static_cast<char>(unit & 0xFF));
            bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
        }
        bytes += tail;
        std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return file;
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

class ConversionTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        ConversionSet.clear();
        ProcessingOptions = {};
        PendingNotification::Clear();
        SetLanguage(Language::English);
    }

    static std::wstring Convert(std::wstring_view name, std::wstring text) {
        ApplyConversion(name, text);
        return text;
    }

    // The scan as the position-by-position hook defines it, the reference for the linear stage.
    static std::wstring ConvertByPositions(std::wstring_view name, std::wstring text) {
        for (std::size_t k = 0; k < text.size(); ++k) ApplyConversionAt(name, text, k, true);
        return text;
    }

    ScratchFolder folder_;
};

// ---- Loading "Convert.def"

struct Entry {
    bool reference;
    std::wstring first;  // source or target
    std::wstring second;
    bool operator==(const Entry&) const = default;
};
struct Table {
    std::wstring name;
    std::wstring label;
    std::vector<Entry> entries;
    bool operator==(const Table&) const = default;
};

std::vector<Table> LoadedTables() {
    std::vector<Table> tables;
    for (const ConversionTable& t : ConversionSet) {
        Table& table = tables.emplace_back(Table{t.name, t.label, {}});
        for (const ConversionEntry& e : t.entries) {
            if (const auto* r = std::get_if<ConversionReference>(&e))
                table.entries.push_back({true, r->target, L""});
            else
                table.entries.push_back({false, std::get<ConversionPair>(e).source, std::get<ConversionPair>(e).replacement});
        }
    }
    return tables;
}

struct LoadCase {
    const char* name;
    std::wstring file;
    std::vector<Table> expected;
};

TEST_F(ConversionTest, ParsesBlocksLabelsAndEntries) {
    const std::wstring long258(258, L'a');
    const std::wstring long259(259, L'b');
    const LoadCase cases[] = {
        {"name, label, pairs and references in order",
         L"# comment\n\nFirst\n最初\na\tb\n\tSecond\n\t!Third\tx\n", {{L"First", L"最初", {{false, L"a", L"b"}, {true, L"Second", L""}, {true, L"!Third\tx", L""}}}}},
        {"comment and empty lines before the label are skipped", L"N\n\n# c\n\nL\nx\ty\n",
         {{L"N", L"L", {{false, L"x", L"y"}}}}},
        {"CR LF line ends", L"N\r\nL\r\nx\ty\r\n\r\nM\r\nK\r\n", {{L"N", L"L", {{false, L"x", L"y"}}}, {L"M", L"K", {}}}},
        {"only one final CR goes", L"N\nL\nx\ty\r\r\n", {{L"N", L"L", {{false, L"x", L"y\r"}}}}},
        {"a lone CR is no line end", L"N\nL\nx\ty\rz\n", {{L"N", L"L", {{false, L"x", L"y\rz"}}}}},
        {"hash line inside a block is an entry", L"N\nL\n#\thash\n", {{L"N", L"L", {{false, L"#", L"hash"}}}}},
        {"line without TAB is ignored and the block goes on", L"N\nL\nnotab\nx\ty\n", {{L"N", L"L", {{false, L"x", L"y"}}}}},
        {"replacement keeps further TABs and may be empty", L"N\nL\na\tb\tc\nd\t\n",
         {{L"N", L"L", {{false, L"a", L"b\tc"}, {false, L"d", L""}}}}},
        {"empty source", L"N\nL\n\tx\n\ty\n", {{L"N", L"L", {{true, L"x", L""}, {true, L"y", L""}}}}},
        {"file ends after the name", L"Only", {{L"Only", L"Only", {}}}},
        {"file ends after the name line", L"# c\nOnly\n\n", {{L"Only", L"Only", {}}}},
        {"escaped block decodes pairs, not name, label or references", L"\\Kana\\x41\n\\label\n\\u3000\t\\x20\n\t\\x41\n",
         {{L"Kana\\x41", L"\\label", {{false, L"\x3000", L" "}, {true, L"\\x41", L""}}}}},
        {"escaped CR LF entry", L"\\E\nL\n\\r\\n\t,\n", {{L"E", L"L", {{false, L"\r\n", L","}}}}},
        {"plain block keeps backslashes", L"P\nL\n\\r\\n\t,\n", {{L"P", L"L", {{false, L"\\r\\n", L","}}}}},
        {"escaping ends with the block", L"\\E\nL\n\\t\tx\n\nP\nL\n\\t\tx\n",
         {{L"E", L"L", {{false, L"\t", L"x"}}}, {L"P", L"L", {{false, L"\\t", L"x"}}}}},
        {"lone backslash name", L"\\\nL\n", {{L"", L"L", {}}}},
        {"NUL ends a line's text", L"N\nL\nab\tc" + std::wstring(1, L'\0') + L"d\nx\ty\n",
         {{L"N", L"L", {{false, L"ab", L"c"}, {false, L"x", L"y"}}}}},
        {"259 units and LF: the LF alone ends the block", L"N\nL\n" + long259 + L"\nM\nK\n",
         {{L"N", L"L", {}}, {L"M", L"K", {}}}},
        {"long line read in pieces of 259", L"N\nL\n" + long258 + L"\tx\ty\n",
         {{L"N", L"L", {{false, long258, L""}, {false, L"x", L"y"}}}}},
        {"CR at the end of a piece is dropped", L"N\nL\n" + std::wstring(257, L'c') + L"\t\r\n",
         {{L"N", L"L", {{false, std::wstring(257, L'c'), L""}}}}},
        {"surrogates and lone surrogates pass unchanged", L"N\nL\n\xD83D\xDE00\t\xDC00\n",
         {{L"N", L"L", {{false, L"\xD83D\xDE00", L"\xDC00"}}}}},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(LoadConversionFile(folder_.Write(c.file)));
        EXPECT_EQ(LoadedTables(), c.expected);
    }
}

TEST_F(ConversionTest, RefusesFilesWithoutTheMark) {
    struct MarkCase {
        const char* name;
        std::string mark;
    } cases[] = {{"no mark", ""}, {"big-endian mark", "\xFE\xFF"}, {"UTF-8 mark", "\xEF\xBB\xBF"}, {"one byte", "\xFF"}};
    for (const MarkCase& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionSet = {{L"kept", L"kept", {}}};
        EXPECT_FALSE(LoadConversionFile(folder_.Write(L"N\nL\na\tb\n", c.mark)));
        ASSERT_EQ(ConversionSet.size(), 1u);
        EXPECT_EQ(ConversionSet[0].name, L"kept");
    }
    EXPECT_FALSE(LoadConversionFile(folder_.path() / L"missing.def"));
}

TEST_F(ConversionTest, LoadingReplacesTheSetAndIgnoresAnOddByte) {
    ConversionSet = {{L"old", L"old", {}}};
    ASSERT_TRUE(LoadConversionFile(folder_.Write(L"N\nL\na\tb", "\xFF\xFE", "\x41")));
    EXPECT_EQ(LoadedTables(), (std::vector<Table>{{L"N", L"L", {{false, L"a", L"b"}}}}));
    ASSERT_TRUE(LoadConversionFile(folder_.Write(L"")));
    EXPECT_TRUE(ConversionSet.empty());
}

TEST_F(ConversionTest, ManyTablesStayReachable) {
    std::wstring file;
    for (int i = 0; i < 150; ++i) file += L"T" + std::to_wstring(i) + L"\nL\n" + std::to_wstring(i % 10) + L"\t#\n\n";
    file += L"All\nL\n\tT120\n\t!T3\n";
    ASSERT_TRUE(LoadConversionFile(folder_.Write(file)));
    ASSERT_EQ(ConversionSet.size(), 151u);
    EXPECT_EQ(Convert(L"All", L"0#12"), L"3312");  // T120 turns 0 into #, then T3 backwards # into 3
}

// ---- Escapes

TEST_F(ConversionTest, UnescapesByTheEscapeTable) {
    const struct {
        std::wstring in;
        std::wstring out;
    } cases[] = {
        {L"plain", L"plain"},
        {L"\\\"\\'\\\\", L"\"'\\"},
        {L"\\a\\b\\f\\n\\r\\t", L"\a\b\f\n\r\t"},
        {L"\\101", L"A"},
        {L"\\1x", L"1x"},
        {L"\\0a", L"0a"},
        {L"\\18", L"18"},
        {L"\\190", std::wstring(1, wchar_t(1 * 64 + 9 * 8))},
        {L"\\999", std::wstring(1, wchar_t(657))},
        {L"\\0000", std::wstring(1, L'\0') + L"0"},
        {L"\\x41\\x7a", L"Az"},
        {L"\\x4", L"x4"},
        {L"\\x4g", L"x4g"},
        {L"\\X41", L"X41"},
        {L"\\u3000\\uFeFf", L"\x3000\xFEFF"},
        {L"\\u123", L"u123"},
        {L"\\u12345", L"\x1234" L"5"},
        {L"\\v\\?", L"v?"},
        {L"end\\", L"end"},
        {L"\\\\x41", L"\\x41"},
        {L"\\\\\\", L"\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.in.begin(), c.in.end()));
        const std::wstring decoded = UnescapeConversionText(c.in);
        EXPECT_EQ(decoded, c.out);
        EXPECT_LE(decoded.size(), c.in.size());
    }
}

// ---- Matching

struct ApplyCase {
    const char* name;
    std::vector<ConversionTable> tables;
    std::wstring input;
    std::wstring expected;
};

TEST_F(ConversionTest, MatchesEntriesInFileOrderAtEachPosition) {
    const ApplyCase cases[] = {
        {"first matching entry wins, no longest match", {{L"T", L"", {Pair(L"a", L"1"), Pair(L"ab", L"2")}}}, L"ab", L"1b"},
        {"opposite order", {{L"T", L"", {Pair(L"ab", L"2"), Pair(L"a", L"1")}}}, L"ab", L"2"},
        {"entries chain at one position", {{L"T", L"", {Pair(L"A", L"B"), Pair(L"B", L"C")}}}, L"A", L"C"},
        {"no chaining backwards in the list", {{L"T", L"", {Pair(L"B", L"C"), Pair(L"A", L"B")}}}, L"A", L"B"},
        {"later units of a replacement are examined again", {{L"T", L"", {Pair(L"a", L"ab"), Pair(L"b", L"c")}}}, L"a", L"ac"},
        // the scan moves on after a deletion, so the unit that moved into the position is not tried again
        {"empty replacement deletes", {{L"T", L"", {Pair(L"x", L"")}}}, L"axbxx", L"abx"},
        {"later entries see the unit moved in", {{L"T", L"", {Pair(L"x", L""), Pair(L"y", L"z")}}}, L"xy", L"z"},
        {"deleting the whole text", {{L"T", L"", {Pair(L"x", L""), Pair(L"y", L"z")}}}, L"x", L""},
        {"case matters", {{L"T", L"", {Pair(L"a", L"1")}}}, L"aA", L"1A"},
        {"pattern beyond the end does not match", {{L"T", L"", {Pair(L"abc", L"!")}}}, L"xab", L"xab"},
        {"reference applies in place", {{L"T", L"", {Pair(L"a", L"b"), Ref(L"U"), Pair(L"c", L"d")}}, {L"U", L"", {Pair(L"b", L"c")}}}, L"a", L"d"},
        {"! reference goes backwards", {{L"T", L"", {Ref(L"!U")}}, {L"U", L"", {Pair(L"1", L"one")}}}, L"one1", L"11"},
        {"! inside ! flips again", {{L"T", L"", {Ref(L"!U")}}, {L"U", L"", {Ref(L"!V")}}, {L"V", L"", {Pair(L"a", L"b")}}}, L"ab", L"bb"},
        {"empty replacement skipped backwards", {{L"T", L"", {Ref(L"!U")}}, {L"U", L"", {Pair(L"a", L"")}}}, L"a", L"a"},
        {"missing and empty targets are ignored", {{L"T", L"", {Ref(L"nope"), Ref(L""), Ref(L"!"), Pair(L"a", L"b")}}}, L"a", L"b"},
        {"first of two equal names", {{L"T", L"", {Pair(L"a", L"1")}}, {L"T", L"", {Pair(L"a", L"2")}}}, L"a", L"1"},
        {"names compare exactly", {{L"t", L"", {Pair(L"a", L"1")}}}, L"a", L"a"},
        {"surrogate halves are plain units", {{L"T", L"", {Pair(L"\xD83D", L"?")}}}, L"\xD83D\xDE00", L"?\xDE00"},
        {"text that empties stops references", {{L"T", L"", {Pair(L"x", L""), Ref(L"T")}}}, L"x", L""},
    };
    for (const ApplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionSet = c.tables;
        EXPECT_EQ(Convert(L"T", c.input), c.expected);
        EXPECT_EQ(ConvertByPositions(L"T", c.input), c.expected);
    }
    EXPECT_TRUE(PendingNotification::Text().empty());
}

TEST_F(ConversionTest, ApplyAtReportsWhetherATableWasFound) {
    ConversionSet = {{L"T", L"", {Pair(L"a", L"b")}}};
    std::wstring text = L"xa";
    EXPECT_FALSE(ApplyConversionAt(L"", text, 1, true));
    EXPECT_FALSE(ApplyConversionAt(L"U", text, 1, true));
    EXPECT_TRUE(ApplyConversionAt(L"T", text, 0, true));
    EXPECT_EQ(text, L"xa");
    EXPECT_TRUE(ApplyConversionAt(L"T", text, 1, true));
    EXPECT_EQ(text, L"xb");
    EXPECT_TRUE(ApplyConversionAt(L"T", text, 1, false));
    EXPECT_EQ(text, L"xa");
    EXPECT_TRUE(ApplyConversionAt(L"T", text, 5, true));
    std::wstring empty;
    EXPECT_FALSE(ApplyConversionAt(L"T", empty, 0, true));
}

// The linear stage must see exactly what the position-by-position hook sees.
TEST_F(ConversionTest, LinearStageAgreesWithThePositionHook) {
    ConversionSet = {
        {L"T", L"", {Pair(L"ab", L"b"), Pair(L"a", L"cd"), Ref(L"U"), Pair(L"ba", L""), Pair(L"c", L"e"), Ref(L"!U")}},
        {L"U", L"", {Pair(L"bb", L"c"), Pair(L"ee", L"a"), Pair(L"", L"b")}},
    };
    std::mt19937 random(12345);
    for (int round = 0; round < 300; ++round) {
        std::wstring text;
        const std::size_t length = random() % 12;
        for (std::size_t i = 0; i < length; ++i) text.push_back(L"abcde"[random() % 5]);
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        const std::wstring converted = Convert(L"T", text);
        ASSERT_LT(converted.size(), 100u);  // the position hook is quadratic: keep it to short texts
        EXPECT_EQ(converted, ConvertByPositions(L"T", text));
    }
}

// ---- Guards against tables that never finish

TEST_F(ConversionTest, ReferenceCyclesStopWithAWarning) {
    const ApplyCase cases[] = {
        {"table references itself", {{L"T", L"", {Pair(L"a", L"b"), Ref(L"T")}}}, L"aa", L"ba"},
        {"cycle through another table backwards", {{L"T", L"", {Pair(L"a", L"b"), Ref(L"U")}}, {L"U", L"", {Pair(L"x", L"y"), Ref(L"!T")}}}, L"cc", L"cc"},
        {"references fanning out exponentially",
         [] {
             std::vector<ConversionTable> tables;
             for (int i = 0; i < 40; ++i) {
                 const std::wstring next = i == 39 ? L"Z" : L"T" + std::to_wstring(i + 1);
                 tables.push_back({i == 0 ? L"T" : L"T" + std::to_wstring(i), L"", {Ref(next), Ref(next)}});
             }
             return tables;
         }(),
         L"ab", L"ab"},
    };
    for (const ApplyCase& c : cases) {
        SCOPED_TRACE(c.name);
        ConversionSet = c.tables;
        PendingNotification::Clear();
        EXPECT_EQ(Convert(L"T", c.input), c.expected);
        EXPECT_EQ(PendingNotification::Text(), L"The conversion \"T\" was stopped: its references form a cycle or nest too deeply.");
        EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);

        PendingNotification::Clear();
        std::wstring text = c.input;
        EXPECT_TRUE(ApplyConversionAt(L"T", text, 0, true));
        EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);
    }
}

// Fan-out just below the bound of one position, at every position of a long text: the whole run stops.
TEST_F(ConversionTest, FanOutAtEveryPositionStopsTheRun) {
    for (int i = 0; i < 13; ++i)  // about 24,000 visits at each position, under the per-position bound
        ConversionSet.push_back({L"T" + std::to_wstring(i), L"", {Ref(L"T" + std::to_wstring(i + 1)), Ref(L"T" + std::to_wstring(i + 1))}});
    ConversionSet.push_back({L"T13", L"", {Pair(L"a", L"a")}});
    const std::wstring input(5000, L'a');
    EXPECT_EQ(Convert(L"T0", input), input);
    EXPECT_EQ(PendingNotification::Text(), L"The conversion \"T0\" was stopped: it takes too much work for this text.");
    EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);
}

TEST_F(ConversionTest, DeepButFiniteReferencesStillWork) {
    for (int i = 0; i < 40; ++i) ConversionSet.push_back({L"T" + std::to_wstring(i), L"", {Ref(L"T" + std::to_wstring(i + 1))}});
    ConversionSet.push_back({L"T40", L"", {Pair(L"a", L"b")}});
    EXPECT_EQ(Convert(L"T0", L"aa"), L"bb");
    EXPECT_TRUE(PendingNotification::Text().empty());
}

TEST_F(ConversionTest, ReplacementThatRecreatesItsPatternStops) {
    SetLanguage(Language::Japanese);
    ConversionSet = {{L"Grow", L"", {Pair(L"x", L"yx")}}};
    const std::wstring text = Convert(L"Grow", L"ax");
    EXPECT_GT(text.size(), 1000u);      // short texts may grow a long way before the guard stops them
    EXPECT_LT(text.size(), 1u << 20);  // but not without bound
    EXPECT_EQ(text.substr(0, 4), L"ayyy");
    EXPECT_EQ(text.find_first_not_of(L'y', 1), text.size() - 1);  // the x is still ahead of the scan
    EXPECT_EQ(PendingNotification::Text(), L"文字変換「Grow」を途中で止めました: 置換で文字列が長くなり続けます。");
    EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);
}

TEST_F(ConversionTest, LegitimateExpansionIsNotStopped) {
    ConversionSet = {{L"Wide", L"", {Pair(L"<", L"&lt;&lt;&lt;")}}};
    EXPECT_EQ(Convert(L"Wide", std::wstring(100000, L'<')).size(), 1200000u);
    EXPECT_TRUE(PendingNotification::Text().empty());
}

// ---- In the pipeline

TEST_F(ConversionTest, EscapedCrLfIsReplacedBeforeTheLineStage) {
    ASSERT_TRUE(LoadConversionFile(folder_.Write(L"\\Join\nL\n\\r\\n\t,\n\nPlain\nL\n\\r\\n\t,\n")));
    ProcessingOptions.LC_LF = true;
    std::wstring output;
    ProcessText(L"Join", L"a\r\nb\r\nc", output);
    EXPECT_EQ(output, L"a,b,c");
    ProcessText(L"Plain", L"a\\r\\nb\r\nc", output);
    EXPECT_EQ(output, L"a,b\nc");
    ProcessText(L"Missing", L"a\r\nb", output);
    EXPECT_EQ(output, L"a\nb");
}

// ---- The sample file shipped beside Nuvela.exe

TEST_F(ConversionTest, ShippedSampleConverts) {
    ASSERT_TRUE(LoadConversionFile(NUVELA_SAMPLE_CONVERT_DEF));
    ASSERT_GE(ConversionSet.size(), 10u);
    for (const ConversionTable& table : ConversionSet) {
        SCOPED_TRACE(std::string(table.name.begin(), table.name.end()));
        EXPECT_FALSE(table.entries.empty());
        EXPECT_NE(table.label, table.name);  // every table has a Japanese label line
    }
    const struct {
        const wchar_t* table;
        std::wstring input;
        std::wstring expected;
    } cases[] = {
        {L"Fullwidth to halfwidth letters and digits", L"Ｎｕｖｅｌａ　２０２６", L"Nuvela　2026"},
        {L"Halfwidth to fullwidth letters and digits", L"Az 09", L"Ａｚ ０９"},
        {L"Halfwidth katakana to fullwidth", L"ｶﾞｷﾞﾊﾟｳﾞｱﾞ｡ｰ", L"ガギパヴア゛。ー"},
        {L"Hiragana to katakana", L"ひらがなゔゝ", L"ヒラガナヴヽ"},
        {L"Katakana to hiragana", L"カタカナヶ", L"かたかなゖ"},
        {L"Curly quotes to straight quotes", L"\x201Cit\x2019s\x201D", L"\"it's\""},
        {L"Special spaces to ASCII space", L"a\xA0" L"b\x3000" L"c\x2009" L"d", L"a b c d"},
        {L"Remove invisible characters", L"\xFEFF" L"a\x200B\x200D" L"b\xAD" L"c\x200D", L"abc"},
        {L"Uppercase letters", L"abc XyZ", L"ABC XYZ"},
        {L"Lowercase letters", L"abc XyZ", L"abc xyz"},
        {L"Plain text clean-up", L"\x201CＡ\x200B\x3000Ｂ\x201D", L"\"A B\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input.begin(), c.input.end()));
        EXPECT_EQ(Convert(c.table, c.input), c.expected);
    }
}

}  // namespace
