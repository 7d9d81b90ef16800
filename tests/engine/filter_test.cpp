#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "filter.h"
#include "language.h"
#include "options.h"
#include "utf8.h"

namespace {

struct DecodeCase {
    std::string bytes;
    std::wstring units;  // expected when valid
    std::size_t errorOffset;  // expected when invalid (units empty and offset set)
    bool valid;
};

TEST(Utf8, DecodesStrictly) {
    const DecodeCase cases[] = {
        {"", L"", 0, true},
        {"a\x7F", L"a\x7F", 0, true},
        {"\xC2\x80\xDF\xBF", L"\x80\x7FF", 0, true},
        {"\xE0\xA0\x80\xEF\xBF\xBF", L"\x800\xFFFF", 0, true},
        {"\xED\x9F\xBF\xEE\x80\x80", L"\xD7FF\xE000", 0, true},
        {"\xF0\x90\x80\x80", L"\xD800\xDC00", 0, true},
        {"\xF4\x8F\xBF\xBF", L"\xDBFF\xDFFF", 0, true},
        {"\xE3\x81\x82", L"\x3042", 0, true},
        {"ab\x80", L"", 2, false},              // stray continuation byte
        {"\xC0\xAF", L"", 0, false},            // overlong "/"
        {"\xC1\xBF", L"", 0, false},            // overlong
        {"\xE0\x9F\xBF", L"", 0, false},        // overlong three-byte form
        {"\xF0\x8F\xBF\xBF", L"", 0, false},    // overlong four-byte form
        {"x\xED\xA0\x80", L"", 1, false},       // encoded high surrogate
        {"\xED\xBF\xBF", L"", 0, false},        // encoded low surrogate
        {"\xF4\x90\x80\x80", L"", 0, false},    // above U+10FFFF
        {"\xF5\x80\x80\x80", L"", 0, false},
        {"\xFF", L"", 0, false},
        {"ok\xE3\x81", L"", 2, false},          // truncated at the end
        {"\xE3\x81" "a", L"", 0, false},        // truncated by an ASCII byte
        {"\xF0\x90\x80", L"", 0, false},
        {"\xC2", L"", 0, false},
    };
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        std::wstring units;
        std::size_t offset = 99;
        ASSERT_EQ(DecodeUtf8(c.bytes, units, offset), c.valid);
        if (c.valid) EXPECT_EQ(units, c.units);
        else EXPECT_EQ(offset, c.errorOffset);
    }
}

// ASCII is read eight bytes at a time: a multi-byte or a bad sequence at every place around those
// groups is still decoded in order, or reported at its own offset.
TEST(Utf8, SequencesAtEveryPlaceAroundAsciiRuns) {
    for (std::size_t run = 0; run <= 17; ++run) {
        SCOPED_TRACE(run);
        const std::string ascii(run, 'a');
        const std::wstring wide(run, L'a');
        std::wstring units = L"kept";
        std::size_t offset = 99;
        ASSERT_TRUE(DecodeUtf8(ascii + "\xE3\x81\x82" + ascii + "\xF0\x9F\x98\x80", units, offset));
        EXPECT_EQ(units, L"kept" + wide + L"\x3042" + wide + L"\xD83D\xDE00");
        EXPECT_EQ(EncodeUtf8(units.substr(4)), ascii + "\xE3\x81\x82" + ascii + "\xF0\x9F\x98\x80");
        units.clear();
        EXPECT_FALSE(DecodeUtf8(ascii + "\x80" + ascii, units, offset));
        EXPECT_EQ(offset, run);
        EXPECT_FALSE(DecodeUtf8(ascii + ascii + "\xE3\x81", units, offset));
        EXPECT_EQ(offset, 2 * run);
    }
}

TEST(Utf8, EncodesPairsAndReplacesLoneSurrogates) {
    EXPECT_EQ(EncodeUtf8(L"a\x3042\xFF71"), "a\xE3\x81\x82\xEF\xBD\xB1");
    EXPECT_EQ(EncodeUtf8(L"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(EncodeUtf8(L"\xD83D"), "\xEF\xBF\xBD");
    EXPECT_EQ(EncodeUtf8(L"\xDE00\xD83D" L"a"), "\xEF\xBF\xBD\xEF\xBF\xBD" "a");
    EXPECT_EQ(EncodeUtf8(L"\xD800\xD800\xDC00"), "\xEF\xBF\xBD\xF0\x90\x80\x80");
}

// The UTF-8 form is made in pieces of 64 KiB: a sequence or a surrogate pair across the end of a
// piece comes out whole, and a stream that refuses the bytes is reported.
TEST(Utf8, WritesInPiecesWithSequencesAcrossTheirEnds) {
    constexpr std::size_t kPiece = 1 << 16;
    for (std::size_t lead = kPiece - 12; lead <= kPiece + 2; ++lead) {
        SCOPED_TRACE(lead);
        const std::wstring units = std::wstring(lead, L'a') + L"\x3042\xD83D\xDE00\xD83D" + std::wstring(kPiece, L'b');
        const std::string expected =
            std::string(lead, 'a') + "\xE3\x81\x82\xF0\x9F\x98\x80\xEF\xBF\xBD" + std::string(kPiece, 'b');
        EXPECT_EQ(EncodeUtf8(units), expected);
        std::FILE* const stream = std::tmpfile();
        ASSERT_NE(stream, nullptr);
        ASSERT_TRUE(WriteUtf8(stream, units));
        std::string written(expected.size() + 1, '\0');
        std::rewind(stream);
        written.resize(std::fread(written.data(), 1, written.size(), stream));
        std::fclose(stream);
        EXPECT_TRUE(written == expected);
    }
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "nuvela-utf8-read-only.txt";
    std::ofstream(file) << "x";
    std::FILE* const readOnly = std::fopen(file.string().c_str(), "rb");
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(WriteUtf8(readOnly, L"text"));
    std::fclose(readOnly);
    std::filesystem::remove(file);
}

TEST(Utf8, RoundTripsEveryScalarValue) {
    std::wstring units;
    for (char32_t code = 1; code <= 0x10FFFF; code += (code < 0x20000 ? 1 : 97)) {
        if (code >= 0xD800 && code <= 0xDFFF) continue;
        if (code < 0x10000) {
            units += static_cast<wchar_t>(code);
        } else {
            units += static_cast<wchar_t>(0xD800 + ((code - 0x10000) >> 10));
            units += static_cast<wchar_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    std::wstring back;
    std::size_t offset = 0;
    ASSERT_TRUE(DecodeUtf8(EncodeUtf8(units), back, offset));
    EXPECT_EQ(back, units);
}

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override { ProcessingOptions = {}; }
    void TearDown() override {
        ProcessingOptions = {};
        SetLanguage(Language::Japanese);
    }
};

struct FilterCase {
    const char* name;
    std::vector<std::wstring> arguments;
    std::string input;
    int status;
    std::string output;
    std::string errorStart;  // what standard error must begin with
};

TEST_F(FilterTest, RunsTheEngineOrExplainsWhyNot) {
    const FilterCase cases[] = {
        {"defaults change nothing", {}, "b\r\na\n", kFilterDone, "b\r\na\n", ""},
        {"byte-order mark dropped", {L"--set", L"LC_LF=1"}, "\xEF\xBB\xBFx\r\ny", kFilterDone, "x\ny", ""},
        {"only a leading mark is dropped", {}, "x\xEF\xBB\xBF", kFilterDone, "x\xEF\xBB\xBF", ""},
        {"several settings", {L"--set", L"FEL_SORTASC=1", L"--set", L"FEL_UNIQ=1", L"--set", L"LC_LF=1"},
         "b\na\nb\n", kFilterDone, "\na\nb", ""},
        {"text values keep '='", {L"--set", L"MUL_BY_N=2", L"--set", L"CSVTSV_CHANGEROWCOL=0"}, "3,x", kFilterDone,
         "6,x", ""},
        {"non-ASCII survives", {L"--set", L"TAB8SPACE=1"}, "\xE3\x81\x82\tx", kFilterDone,
         "\xE3\x81\x82      x", ""},
        {"stage messages go to standard error",
         {L"--set", L"REP_REP=1", L"--set", L"REP_BEFORE=(", L"--set", L"REP_AFTER=x"}, "abc", kFilterDone, "abc",
         "regex error."},
        {"invalid UTF-8", {L"--set", L"LC_LF=1"}, "ab\xC0\xAF", kFilterUsage, "",
         "nuvela-filter: invalid UTF-8 in the input at byte 2"},
        {"NUL in the input", {}, std::string("a\0b", 3), kFilterUsage, "", "nuvela-filter: the input contains a NUL"},
        {"unknown key", {L"--set", L"NO_SUCH=1"}, "x", kFilterUsage, "", "nuvela-filter: unknown key \"NO_SUCH\""},
        {"key is case-sensitive", {L"--set", L"lc_lf=1"}, "x", kFilterUsage, "", "nuvela-filter: unknown key"},
        {"flag takes 0 or 1", {L"--set", L"LC_LF=yes"}, "x", kFilterUsage, "", "nuvela-filter: LC_LF takes 0 or 1"},
        {"flag 2 refused", {L"--set", L"LC_LF=2"}, "x", kFilterUsage, "", "nuvela-filter: LC_LF takes 0 or 1"},
        {"byte range", {L"--set", L"SK1_VKEY=256"}, "x", kFilterUsage, "", "nuvela-filter: SK1_VKEY takes 0 to 255"},
        {"integer form", {L"--set", L"Delay1Sec=1e3"}, "x", kFilterUsage, "", "nuvela-filter: Delay1Sec takes an integer"},
        {"integer range", {L"--set", L"Delay1Sec=99999999999"}, "x", kFilterUsage, "", "nuvela-filter: Delay1Sec"},
        {"empty integer", {L"--set", L"Delay1Sec="}, "x", kFilterUsage, "", "nuvela-filter: Delay1Sec"},
        {"multiplier form", {L"--set", L"MUL_BY_N=-2"}, "x", kFilterUsage, "", "nuvela-filter: MUL_BY_N takes digits"},
        {"missing '='", {L"--set", L"LC_LF"}, "x", kFilterUsage, "", "nuvela-filter: --set needs KEY=VALUE"},
        {"missing value", {L"--set"}, "x", kFilterUsage, "", "nuvela-filter: --set needs a value"},
        {"unknown argument", {L"-x"}, "x", kFilterUsage, "", "nuvela-filter: unknown argument \"-x\""},
        {"missing definition file", {L"--def", L"/no/such/Convert.def"}, "x", kFilterUsage, "",
         "nuvela-filter: cannot load the conversion file"},
        {"help", {L"--help"}, "ignored", kFilterDone, "Usage: nuvela-filter", ""},
        {"cleanup settings", {L"--set", L"CLN_UNWRAP=1", L"--set", L"CLN_NORMALIZE=2", L"--set", L"CLN_QUOTES=1"},
         "\xE2\x80\x9C\xEF\xBD\xB1\xE2\x80\x9D\r\nb\n", kFilterDone, "\"\xE3\x82\xA2\" b\n", ""},
        {"a text normalization refuses stays, with a message", {L"--set", L"CLN_NORMALIZE=1"}, "e\xCC\x81\xEF\xBF\xBF",
         kFilterDone, "e\xCC\x81\xEF\xBF\xBF", "Unicode normalization was skipped"},
        {"normalization takes 0 to 2", {L"--set", L"CLN_NORMALIZE=3"}, "x", kFilterUsage, "",
         "nuvela-filter: CLN_NORMALIZE takes 0 (none), 1 (NFC) or 2 (NFKC), not \"3\""},
    };
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FilterResult result = RunFilter(c.arguments, c.input);
        EXPECT_EQ(result.status, c.status);
        const std::string output = EncodeUtf8(result.output);
        if (c.name == std::string("help")) {
            EXPECT_TRUE(output.starts_with(c.output));
        } else {
            EXPECT_EQ(output, c.output);
        }
        EXPECT_TRUE(result.errors.starts_with(c.errorStart)) << result.errors;
        if (c.status != kFilterDone) {
            EXPECT_EQ(result.errors.find('\n'), result.errors.size() - 1);  // one line
        }
        if (c.errorStart.empty()) {
            EXPECT_EQ(result.errors, "");
        }
    }
}

#ifdef NUVELA_SAMPLE_CONVERT_DEF
TEST_F(FilterTest, LoadsTheDefinitionFileAndAppliesStrConvId) {
    const std::string path = NUVELA_SAMPLE_CONVERT_DEF;
    const std::vector<std::wstring> arguments = {L"--def", std::wstring(path.begin(), path.end()), L"--set",
                                                 L"StrConvID=Fullwidth to halfwidth letters and digits"};
    const FilterResult result = RunFilter(arguments, "\xEF\xBC\xA1\xEF\xBC\xA2x");  // full-width A, B
    EXPECT_EQ(result.status, kFilterDone) << result.errors;
    EXPECT_EQ(result.output, L"ABx");
    EXPECT_EQ(RunFilter({L"--set", L"StrConvID=NoSuchTable"}, "\xEF\xBC\xA1").output, L"\xFF21");
}
#endif

TEST_F(FilterTest, HelpListsEveryKey) {
    const std::wstring usage = FilterUsage();
    EXPECT_NE(usage.find(L"  CLN_NORMALIZE  0|1|2 (none, NFC, NFKC) [0]\n"), std::wstring::npos);
    for (const OptionField& field : OptionFields())
        EXPECT_NE(usage.find(L"  " + std::wstring(field.key) + L"  "), std::wstring::npos) << EncodeUtf8(field.key);
}

TEST_F(FilterTest, SettingsStartFromTheDefaultsEachRun) {
    ASSERT_EQ(RunFilter({L"--set", L"LC_LF=1"}, "a\r\nb").output, L"a\nb");
    EXPECT_EQ(RunFilter({}, "a\r\nb").output, L"a\r\nb");
}

#ifdef NUVELA_FILTER_PROGRAM
// The built program itself: arguments, binary standard input and output, exit status.
TEST_F(FilterTest, ProgramRunsOverStandardStreams) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("nuvela-filter-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                          "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(folder);
    const auto in = folder / "in.txt", out = folder / "out.txt", err = folder / "err.txt";
    std::ofstream(in, std::ios::binary) << "\xEF\xBB\xBF" "b\r\n\xE3\x81\x82\r\na\r\n";
    // `before` runs first on the same standard input, as in a script that reads a header itself.
    const auto run = [&](const std::string& arguments, const std::string& before = "") {
        const std::string command = "{ " + before + " \"" + NUVELA_FILTER_PROGRAM + "\" " + arguments + "; } < \"" +
                                    in.string() + "\" > \"" + out.string() + "\" 2> \"" + err.string() + "\"";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const auto read = [](const std::filesystem::path& file) {
        std::ostringstream text;
        text << std::ifstream(file, std::ios::binary).rdbuf();
        return text.str();
    };
    EXPECT_EQ(run("--set FEL_SORTDSC=1 --set LC_LF=1"), 0);
    EXPECT_EQ(read(out), "\xE3\x81\x82\nb\na\n");
    EXPECT_EQ(read(err), "");
    // The filter reads on from where the input stands, not from the start of the file.
    EXPECT_EQ(run("--set FEL_SORTDSC=1 --set LC_LF=1", "dd bs=1 count=5 status=none > /dev/null;"), 0);
    EXPECT_EQ(read(out), "\xE3\x81\x82\na\n\n");
    EXPECT_EQ(run("--set FEL_SORTDSC=maybe"), 2);
    EXPECT_EQ(read(out), "");
    EXPECT_EQ(read(err), "nuvela-filter: FEL_SORTDSC takes 0 or 1, not \"maybe\"\n");
    // 16 MiB are read whole, but their decoded text (64 MiB) finds no room: status 1, not a crash.
    std::ofstream(in, std::ios::binary | std::ios::trunc) << std::string(std::size_t{16} << 20, 'x');
#ifdef __SANITIZE_ADDRESS__
    const std::string tightMemory =
        "export ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}allocator_may_return_null=1:max_allocation_size_mb=32\";";
#else
    const std::string tightMemory = "ulimit -v 49152;";
#endif
    EXPECT_EQ(run("", tightMemory), 1);
    EXPECT_EQ(read(out), "");
    EXPECT_TRUE(read(err).ends_with("nuvela-filter: out of memory\n")) << read(err);  // after ASan's warning
    std::filesystem::remove_all(folder);
}
#endif

}  // namespace
