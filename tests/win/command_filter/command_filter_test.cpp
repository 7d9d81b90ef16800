#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "command_filter.h"
#include "language.h"
#include "options.h"
#include "pending_notification.h"
#include "pipeline.h"
#include "scoped_win.h"
#include "test_support.h"

namespace {

using namespace std::chrono_literals;

constexpr int kUtf16 = 1;
constexpr int kUtf8 = 2;
constexpr int kAnsi = 0;

std::filesystem::path TemporaryDirectory() {
    wchar_t folder[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, folder);
    return folder;
}

// The filter's own temporary files: NVI, NVO and NVE followed by the system's number.
std::set<std::wstring> PipeFilesInTemporaryDirectory() {
    std::set<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(TemporaryDirectory())) {
        const std::wstring name = entry.path().filename().wstring();
        const std::wstring prefix = name.substr(0, 3);
        if (prefix == L"NVI" || prefix == L"NVO" || prefix == L"NVE") names.insert(name);
    }
    return names;
}

std::wstring ToolPath() { return (test_support::ProgramFolder() / L"filter_tool.exe").wstring(); }

std::wstring ToolCommand(const std::wstring& arguments) { return ToolPath() + L" " + arguments; }

// The file the tool adds a byte to at each start.
std::filesystem::path toolRunsFile;

std::uintmax_t ToolRuns() {
    std::error_code missing;
    const std::uintmax_t size = std::filesystem::file_size(toolRunsFile, missing);
    return missing ? 0 : size;
}

using test_support::ScopedEnvironmentVariable;

class CommandFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring program = test_support::ProgramFolder().wstring();
        ASSERT_EQ(program.find(L' '), std::wstring::npos) << "the tool path goes unquoted into the command";
        ProcessingOptions = {};
        ProcessingOptions.USE_CMDLINE = true;
        PendingNotification::Clear();
        SetLanguage(Language::English);
        pipeFilesBefore_ = PipeFilesInTemporaryDirectory();
        toolRunsFile = folder_.path() / L"tool-runs";
        toolRunsVariable_.emplace(L"NUVELA_FILTER_TOOL_RUNS", toolRunsFile.c_str());
    }

    void TearDown() override {
        EXPECT_EQ(PipeFilesInTemporaryDirectory(), pipeFilesBefore_) << "a temporary file of the filter was left";
        ProcessingOptions = {};
        PendingNotification::Clear();
        SetLanguage(Language::Japanese);
    }

    // One run is one piece of work, so it starts with no message. Wine now and then loses a process
    // while it starts, under load; when the tool never started, the interpreter's complaint stands in
    // for its answer, and the run is made once more.
    static std::wstring Filter(const std::wstring& text, const std::wstring& command, int charCode) {
        ProcessingOptions.CMDLINE = command;
        ProcessingOptions.CMDLINE_CHARCODE = charCode;
        for (int attempt = 1;; ++attempt) {
            PendingNotification::Clear();
            const std::uintmax_t runsBefore = ToolRuns();
            std::wstring result = text;
            RunCommandFilter(result);
            const bool toolLost = command.starts_with(ToolPath()) && ToolRuns() == runsBefore;
            if (!toolLost || attempt == 2) return result;
        }
    }

    // For a test whose filter was killed before it could clean up.
    void DeletePipeFilesMadeSinceSetUp() {
        for (const std::wstring& name : PipeFilesInTemporaryDirectory()) {
            std::error_code ignored;
            if (!pipeFilesBefore_.contains(name)) std::filesystem::remove(TemporaryDirectory() / name, ignored);
        }
    }

    test_support::TemporaryFolder folder_;  // the command's current directory

private:
    std::set<std::wstring> pipeFilesBefore_;
    std::optional<ScopedEnvironmentVariable> toolRunsVariable_;
};

std::vector<std::filesystem::path> Lines(const std::wstring& text) {
    std::vector<std::filesystem::path> lines;
    for (std::size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.emplace_back(text.substr(start, end - start));
    return lines;
}

// Paths as the system reports them for open files carry the "\\?\" prefix.
bool SameFolder(const std::filesystem::path& a, const std::filesystem::path& b) {
    const auto plain = [](std::wstring path) {
        if (path.starts_with(L"\\\\?\\")) path.erase(0, 4);
        while (path.ends_with(L'\\')) path.pop_back();
        return path;
    };
    return CompareStringOrdinal(plain(a.wstring()).c_str(), -1, plain(b.wstring()).c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The tool reports the files behind its standard input, output and error.
TEST_F(CommandFilterTest, ExchangeGoesThroughThreeFilesInTheTemporaryFolder) {
    const std::vector<std::filesystem::path> files = Lines(Filter(L"x", ToolCommand(L"paths"), kUtf8));
    ASSERT_EQ(files.size(), 3u);
    const wchar_t* const prefixes[] = {L"NVI", L"NVO", L"NVE"};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(files[i].wstring());
        EXPECT_EQ(files[i].filename().wstring().substr(0, 3), prefixes[i]);
        EXPECT_EQ(files[i].extension(), L".tmp");
        EXPECT_TRUE(SameFolder(files[i].parent_path(), TemporaryDirectory()));
    }
}

struct InputCase {
    const char* name;
    int charCode;
    UINT onlyForCodePage;  // 0: any
    std::wstring text;
    std::wstring bytesInHex;
};

// The tool answers with the hex of the bytes it received, so the file is checked byte by byte:
// no mark, no terminating NUL, line breaks as they are.
TEST_F(CommandFilterTest, InputFileHoldsTheTextInTheChosenEncoding) {
    const InputCase cases[] = {
        {"UTF-16 units as they are", kUtf16, 0, L"a\x65E5\r\n", L"6100e5650d000a00"},
        {"UTF-16 surrogate pair", kUtf16, 0, L"\xD842\xDFB7", L"42d8b7df"},
        {"UTF-8", kUtf8, 0, L"a\x65E5\r\n", L"61e697a50d0a"},
        {"UTF-8 surrogate pair", kUtf8, 0, L"\xD842\xDFB7!", L"f0a0aeb721"},
        {"UTF-8 lone LF and CR", kUtf8, 0, L"\n\r", L"0a0d"},
        {"ANSI lacks Thai: default character", kAnsi, 0, L"a\x0E01", L"613f"},
        {"ANSI 1252 keeps e-acute, lacks kanji", kAnsi, 1252, L"a\x00E9\x65E5", L"61e93f"},
        {"any other code is ANSI", 7, 1252, L"\x20AC", L"80"},
    };
    for (const InputCase& c : cases) {
        if (c.onlyForCodePage && c.onlyForCodePage != GetACP()) continue;
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Filter(c.text, ToolCommand(c.charCode == kUtf16 ? L"hex16" : L"hex"), c.charCode), c.bytesInHex);
        EXPECT_EQ(PendingNotification::Text(), L"");
    }
}

struct OutputCase {
    const char* name;
    int charCode;
    UINT onlyForCodePage;
    std::wstring bytesInHex;
    std::wstring text;
};

TEST_F(CommandFilterTest, OutputFileIsDecodedUpToTheFirstNul) {
    const OutputCase cases[] = {
        {"UTF-16 mark arrives as U+FEFF", kUtf16, 0, L"fffe4100", L"\xFEFF" L"A"},
        {"UTF-16 odd last byte pairs with zero", kUtf16, 0, L"410042", L"AB"},
        {"UTF-16 stops at NUL unit", kUtf16, 0, L"410000004200", L"A"},
        {"UTF-16 line breaks unchanged", kUtf16, 0, L"0d000a000a00", L"\r\n\n"},
        {"UTF-8 mark arrives as U+FEFF", kUtf8, 0, L"efbbbf41", L"\xFEFF" L"A"},
        {"UTF-8 Japanese and CR LF", kUtf8, 0, L"e697a50d0a", L"\x65E5\r\n"},
        {"UTF-8 stops at NUL byte", kUtf8, 0, L"41004200", L"A"},
        {"UTF-8 invalid byte replaced", kUtf8, 0, L"ff41", L"\xFFFD" L"A"},
        {"ANSI 1252", kAnsi, 1252, L"e98041", L"\x00E9\x20AC" L"A"},
        {"ANSI stops at NUL byte", kAnsi, 0, L"41004200", L"A"},
    };
    for (const OutputCase& c : cases) {
        if (c.onlyForCodePage && c.onlyForCodePage != GetACP()) continue;
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Filter(L"ignored", ToolCommand(L"emit " + c.bytesInHex), c.charCode), c.text);
        EXPECT_EQ(PendingNotification::Text(), L"");
    }
}

struct RoundTripCase {
    const char* name;
    int charCode;
    UINT onlyForCodePage;
    const wchar_t* tool;
    std::wstring text;
    std::wstring expected;
};

TEST_F(CommandFilterTest, TextRoundTripsThroughTheCommand) {
    const std::wstring japanese = L"\x65E5\x672C\x8A9E text\r\n\xD842\xDFB7 end\n";  // 日本語, 𠮷
    const std::wstring japaneseUpper = L"\x65E5\x672C\x8A9E TEXT\r\n\xD842\xDFB7 END\n";
    const RoundTripCase cases[] = {
        {"UTF-16", kUtf16, 0, L"upper16", japanese, japaneseUpper},
        {"UTF-8", kUtf8, 0, L"upper", japanese, japaneseUpper},
        {"ANSI 1252", kAnsi, 1252, L"upper", L"caf\x00E9 \x65E5\x672C\r\n", L"CAF\x00E9 ??\r\n"},
        {"ANSI ASCII", kAnsi, 0, L"copy", L"plain\ttext\r\n", L"plain\ttext\r\n"},
        {"empty text", kUtf8, 0, L"copy", L"", L""},
    };
    for (const RoundTripCase& c : cases) {
        if (c.onlyForCodePage && c.onlyForCodePage != GetACP()) continue;
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Filter(c.text, ToolCommand(c.tool), c.charCode), c.expected);
        EXPECT_EQ(PendingNotification::Text(), L"");
    }
}

// ANSI means the code page of the process, whatever it is; the helper's manifest makes it UTF-8.
TEST_F(CommandFilterTest, AnsiModeFollowsAUtf8CodePage) {
    const std::wstring helper = (test_support::ProgramFolder() / L"utf8_acp_filter.exe").wstring();
    const auto result = test_support::RunProcess(L"\"" + helper + L"\" \"" + ToolCommand(L"upper") + L"\"", folder_.path());
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u) << "1: the text came back wrong; 2: the code page is not UTF-8";
}

// "/U" makes the interpreter's own commands write UTF-16, which is how the output is read.
TEST_F(CommandFilterTest, BuiltInCommandWritesUtf16UnderSlashU) {
    const std::wstring result = Filter(L"x", L"echo \x65E5\x672C", kUtf16);
    ASSERT_GE(result.size(), 4u);
    EXPECT_EQ(result.substr(0, 2), L"\x65E5\x672C");
    EXPECT_EQ(result.substr(result.size() - 2), L"\r\n");
}

struct ErrorCase {
    const char* name;
    int charCode;
    std::wstring bytesInHex;
    std::wstring shown;  // empty: nothing is shown
};

TEST_F(CommandFilterTest, StandardErrorBecomesAWarningUnlessItIsALoneBlank) {
    const ErrorCase cases[] = {
        {"one space", kUtf8, L"20", L""},
        {"one LF", kUtf8, L"0a", L""},
        {"CR LF", kUtf8, L"0d0a", L""},
        {"UTF-16 space", kUtf16, L"2000", L""},
        {"UTF-16 CR LF", kUtf16, L"0d000a00", L""},
        {"two spaces", kUtf8, L"2020", L"  "},
        {"one CR", kUtf8, L"0d", L"\r"},
        {"two LFs", kUtf8, L"0a0a", L"\n\n"},
        {"space LF", kUtf8, L"200a", L" \n"},
        {"a message, whole", kUtf8, L"626164207468696e670d0a", L"bad thing\r\n"},
        {"UTF-16 message", kUtf16, L"6f006b002100", L"ok!"},
        {"ANSI message", kAnsi, L"6f6f7073", L"oops"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.name);
        PendingNotification::Clear();
        // nothing on standard output: the text becomes empty
        EXPECT_EQ(Filter(L"before", ToolCommand(L"emit-err " + c.bytesInHex), c.charCode), L"");
        EXPECT_EQ(PendingNotification::Text(), c.shown);
        EXPECT_EQ(PendingNotification::Severity(), c.shown.empty() ? SeverityNone : SeverityWarning);
    }
}

TEST_F(CommandFilterTest, ExitCodeIsNotLookedAt) {
    EXPECT_EQ(Filter(L"kept\r\n", ToolCommand(L"exit 3"), kUtf8), L"kept\r\n");
    EXPECT_EQ(PendingNotification::Text(), L"");
}

// The interpreter runs only the redirections; the output file stays empty.
TEST_F(CommandFilterTest, EmptyCommandEmptiesTheText) {
    EXPECT_EQ(Filter(L"some text", L"", kAnsi), L"");
}

TEST_F(CommandFilterTest, MissingCommandComplaintArrivesAsWarning) {
    EXPECT_EQ(Filter(L"some text", L"nuvela-no-such-command", kAnsi), L"");
    EXPECT_NE(PendingNotification::Text().find(L"nuvela-no-such-command"), std::wstring::npos)
        << PendingNotification::Text();
    EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);
}

TEST_F(CommandFilterTest, OffRunsNothing) {
    const std::wstring plantedCmd = (test_support::ProgramFolder() / L"planted_cmd.exe").wstring();
    ProcessingOptions.USE_CMDLINE = false;
    EXPECT_EQ(Filter(L"unchanged", plantedCmd, kUtf8), L"unchanged");
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / L"planted-cmd-ran"));

    // the same command does run when the filter is on, so the check above can fail
    ProcessingOptions.USE_CMDLINE = true;
    Filter(L"unchanged", plantedCmd, kUtf8);
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / L"planted-cmd-ran"));
}

TEST_F(CommandFilterTest, CmdExePlantedInTheCurrentDirectoryIsNotRun) {
    ASSERT_EQ(std::filesystem::current_path(), folder_.path());
    std::filesystem::copy_file(test_support::ProgramFolder() / L"planted_cmd.exe", folder_.path() / L"CMD.EXE");
    EXPECT_EQ(Filter(L"text", ToolCommand(L"upper"), kUtf8), L"TEXT");
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / L"planted-cmd-ran"));
}

TEST_F(CommandFilterTest, UnusableTemporaryFolderLeavesTextAndWarns) {
    const std::wstring missing = (folder_.path() / L"no-such-folder").wstring();
    const ScopedEnvironmentVariable tmp(L"TMP", missing.c_str());
    const ScopedEnvironmentVariable temp(L"TEMP", missing.c_str());
    struct {
        Language language;
        const wchar_t* message;
    } const languages[] = {
        {Language::English, L"Cannot create a file for in-pipe."},
        {Language::Japanese, L"パイプ入力用のファイルを作成できません。"},
    };
    for (const auto& l : languages) {
        SetLanguage(l.language);
        PendingNotification::Clear();
        EXPECT_EQ(Filter(L"unchanged", ToolCommand(L"copy"), kUtf8), L"unchanged");
        EXPECT_EQ(PendingNotification::Text(), l.message);
        EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

// The command ran, but its output cannot be had: the text stays as it was, the failure is said, and
// what the command wrote on standard error is still shown after it.
PipeReadResult outputReadFailure = PipeReadResult::Read;
PipeFileReader realPipeFileReader = nullptr;

PipeReadResult FailOutputFileRead(const std::wstring& path, std::vector<char>& bytes) {
    if (std::filesystem::path(path).filename().wstring().starts_with(L"NVO")) {
        bytes.clear();
        return outputReadFailure;
    }
    return realPipeFileReader(path, bytes);
}

TEST_F(CommandFilterTest, LostOutputLeavesTheTextAndStillShowsTheErrors) {
    struct {
        PipeReadResult failure;
        Language language;
        const wchar_t* message;
    } const cases[] = {
        {PipeReadResult::CannotOpen, Language::English, L"Cannot open a file for out-pipe."},
        {PipeReadResult::CannotOpen, Language::Japanese, L"コマンドラインの出力結果を開けません。"},
        {PipeReadResult::NoMemory, Language::English, L"Out of memory for reading pipe."},
        {PipeReadResult::NoMemory, Language::Japanese, L"コマンドラインの出力結果を取得するためのメモリを確保できません。"},
        {PipeReadResult::CannotRead, Language::English, L"Cannot read a file for out-pipe."},
        {PipeReadResult::CannotRead, Language::Japanese, L"コマンドラインの出力結果を取得できません。"},
    };
    realPipeFileReader = SetPipeFileReader(FailOutputFileRead);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.failure)) + (c.language == Language::English ? " en" : " ja"));
        SetLanguage(c.language);
        outputReadFailure = c.failure;
        PendingNotification::Clear();
        // "upper" would change the text, "emit-err" leaves a message: neither may be lost
        EXPECT_EQ(Filter(L"kept", ToolCommand(L"emit-err 6f6f7073"), kUtf8), L"kept");
        EXPECT_EQ(PendingNotification::Text(), std::wstring(c.message) + std::wstring(kMessageSeparator) + L"oops");
        EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);
    }
    SetPipeFileReader(nullptr);
}

// The filter is the last stage: the CR LF the command adds survives a line stage that turns every
// break into LF.
TEST_F(CommandFilterTest, RunsLastInProcessTextAfterTheLineStage) {
    ProcessingOptions.LC_LF = true;
    ProcessingOptions.CMDLINE = ToolCommand(L"append-crlf");
    ProcessingOptions.CMDLINE_CHARCODE = kUtf8;
    std::wstring output;
    ProcessText(L"", L"a\r\nb", output);
    EXPECT_EQ(output, L"a\nb\r\nEND");
}

// The ids the tool's "spawn" mode writes: the interpreter, the tool and the tool's own child.
struct ProcessTree {
    DWORD interpreter = 0;
    DWORD tool = 0;
    DWORD grandchild = 0;
};

bool ReadProcessTree(const std::filesystem::path& pidFile, ProcessTree& tree) {
    std::ifstream(pidFile) >> tree.interpreter >> tree.tool >> tree.grandchild;
    return tree.interpreter && tree.tool && tree.grandchild;
}

// True when the process has ended or ends in time; one a failing test left behind is ended here.
bool ProcessEnds(DWORD processId, DWORD timeoutMs) {
    const UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId));
    if (!process) return true;  // gone already
    if (WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) return true;
    TerminateProcess(process.get(), 1);
    return false;
}

void ExpectTreeEnded(const ProcessTree& tree) {
    EXPECT_TRUE(ProcessEnds(tree.grandchild, 10000)) << "the tool's own child survived";
    EXPECT_TRUE(ProcessEnds(tree.tool, 10000)) << "the tool survived";
    EXPECT_TRUE(ProcessEnds(tree.interpreter, 10000)) << "the interpreter survived";
}

// A command that ends by itself leaves what it started running, as "start" in a console does;
// the test then ends that child itself. Past the bound the whole tree goes (test below).
TEST_F(CommandFilterTest, WhatTheCommandStartedOutlivesItsNormalEnd) {
    const std::filesystem::path pidFile = folder_.path() / L"pids.txt";
    EXPECT_EQ(Filter(L"x", ToolCommand(L"detach " + pidFile.wstring()), kUtf8), L"");
    EXPECT_TRUE(PendingNotification::Text().empty());

    ProcessTree tree;
    ASSERT_TRUE(ReadProcessTree(pidFile, tree));
    EXPECT_TRUE(ProcessEnds(tree.tool, 10000));
    const UniqueHandle child(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, tree.grandchild));
    ASSERT_TRUE(child) << "the started child was ended with the command";
    EXPECT_EQ(WaitForSingleObject(child.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
        << "the started child was ended with the command";
    TerminateProcess(child.get(), 1);
    EXPECT_EQ(WaitForSingleObject(child.get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
}

constexpr wchar_t kHelperPidFileVariable[] = L"NUVELA_COMMAND_FILTER_HELPER_PIDS";

// Not a test of its own: the test below starts this program to run just this, and kills it
// while the filter waits.
TEST(CommandFilterHelper, FilterThroughACommandThatNeverEnds) {
    wchar_t pidFile[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(kHelperPidFileVariable, pidFile, MAX_PATH)) GTEST_SKIP() << "helper of another test";
    SetCommandTimeLimit(std::chrono::minutes(10));
    ProcessingOptions.USE_CMDLINE = true;
    ProcessingOptions.CMDLINE = ToolCommand(std::wstring(L"spawn ") + pidFile);
    std::wstring text = L"x";
    RunCommandFilter(text);
}

// When the program dies while its command runs, the last handle of the job goes with it and the
// job takes the whole tree along.
TEST_F(CommandFilterTest, CommandTreeDiesWithTheProgram) {
    const std::filesystem::path pidFile = folder_.path() / L"pids.txt";
    const ScopedEnvironmentVariable variable(kHelperPidFileVariable, pidFile.c_str());
    test_support::ChildProcess helper(L"\"" +
                                      (test_support::ProgramFolder() / L"nuvela_command_filter_tests.exe").wstring() +
                                      L"\" --gtest_filter=CommandFilterHelper.*");
    ASSERT_TRUE(helper.started()) << helper.startError();

    ProcessTree tree;
    const ULONGLONG deadline = GetTickCount64() + 30000;
    bool started = false;
    while (!(started = ReadProcessTree(pidFile, tree)) && GetTickCount64() < deadline && !helper.WaitForExit(100)) {
    }
    helper.Terminate();
    EXPECT_TRUE(started) << "the helper's command never reported its processes";
    ExpectTreeEnded(tree);
    DeletePipeFilesMadeSinceSetUp();
}

class CommandTimeLimitTest : public CommandFilterTest {
protected:
    void SetUp() override {
        CommandFilterTest::SetUp();
        previousLimit_ = SetCommandTimeLimit(kCommandTimeLimit);
    }
    void TearDown() override {
        SetCommandTimeLimit(previousLimit_);
        CommandFilterTest::TearDown();
    }

private:
    std::chrono::milliseconds previousLimit_{};
};

// Without the bound the tool would sleep two minutes and the text would come back empty. The tree
// under test exists once the tool has reported it; on a machine so loaded that Wine had not started
// all three processes within the bound, the run is made again with twice the bound.
TEST_F(CommandTimeLimitTest, CommandPastTheBoundIsEndedWithItsWholeTree) {
    for (std::chrono::seconds limit{10};; limit *= 2) {
        SetCommandTimeLimit(limit);
        const std::filesystem::path pidFile = folder_.path() / (L"pids-" + std::to_wstring(limit.count()) + L".txt");
        const std::wstring command = ToolCommand(L"spawn " + pidFile.wstring());

        EXPECT_EQ(Filter(L"unchanged", command, kUtf8), L"unchanged");
        EXPECT_EQ(PendingNotification::Text(), L"The command did not end within " + std::to_wstring(limit.count()) +
                                                   L" seconds and was stopped; the text is unchanged.\r\n" + command);
        EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);

        ProcessTree tree;
        if (ReadProcessTree(pidFile, tree)) {
            ExpectTreeEnded(tree);
            return;
        }
        ASSERT_LT(limit.count(), 80) << "the command never reported its processes";
    }
}

}  // namespace
