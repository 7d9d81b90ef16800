#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "scoped_win.h"
#include "test_support.h"

namespace {

struct FilterRun {
    DWORD startError = 0;  // why the program could not be started
    bool finished = false;
    DWORD exitCode = 0;
    std::string output;
    std::string errors;
};

std::filesystem::path FilterExe() {
    return test_support::ProgramFolder().parent_path() / L"engine" / L"filter" / L"nuvela-filter.exe";
}

UniqueFileHandle OpenInherited(const std::filesystem::path& file, bool forWriting) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return UniqueFileHandle(CreateFileW(file.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ,
                                        &inherit, forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
}

std::string ReadBytes(const std::filesystem::path& file) {
    std::ostringstream bytes;
    bytes << std::ifstream(file, std::ios::binary).rdbuf();
    return bytes.str();
}

// Wine signals a process as ended slightly before it has closed the handles the process inherited,
// so the files are removed with a deadline rather than left to the folder's clean-up.
void RemoveWhenReleased(const std::filesystem::path& file) {
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (!DeleteFileW(file.c_str()) && GetLastError() == ERROR_SHARING_VIOLATION && GetTickCount64() < deadline)
        Sleep(20);
}

// Runs nuvela-filter.exe with its standard streams on files of the current (temporary) folder.
FilterRun RunFilterProgram(const std::wstring& arguments, const std::string& input) {
    static int runs = 0;
    const std::wstring suffix = std::to_wstring(++runs) + L".txt";
    const std::filesystem::path inFile = L"in" + suffix, outFile = L"out" + suffix, errFile = L"err" + suffix;
    std::ofstream(inFile, std::ios::binary) << input;
    FilterRun run;
    {
        UniqueFileHandle in = OpenInherited(inFile, false), out = OpenInherited(outFile, true),
                         err = OpenInherited(errFile, true);
        if (!in || !out || !err) {
            run.startError = GetLastError();
            return run;
        }
        test_support::ProcessOptions options;
        options.input = in.get();
        options.output = out.get();
        options.error = err.get();
        options.creationFlags = CREATE_NO_WINDOW;
        test_support::ChildProcess process(L"\"" + FilterExe().wstring() + L"\" " + arguments, options);
        if (!process.started()) {
            run.startError = process.startError();
            return run;
        }
        run.finished = process.WaitForExit(60000);  // Wine may start slowly
        if (!run.finished) process.Terminate();
        run.exitCode = process.ExitCode();
    }
    run.output = ReadBytes(outFile);
    run.errors = ReadBytes(errFile);
    for (const auto& file : {inFile, outFile, errFile}) RemoveWhenReleased(file);
    return run;
}

TEST(FilterProgram, ProcessesUtf8OverBinaryStandardStreams) {
    ASSERT_TRUE(std::filesystem::exists(FilterExe())) << FilterExe();
    test_support::TemporaryFolder folder;
    // Text mode would have turned the LF into CR LF and stopped reading at the Ctrl+Z.
    const FilterRun run = RunFilterProgram(L"--set FEL_SORTASC=1 --set LC_LF=1 --set TAB4SPACE=1",
                                           "\xEF\xBB\xBF" "b\tx\r\n\xE3\x81\x82\r\n\x1A" "a\r\n");
    ASSERT_TRUE(run.finished) << run.startError;
    EXPECT_EQ(run.exitCode, 0u) << run.errors;
    EXPECT_EQ(run.output, "\n\x1A" "a\nb   x\n\xE3\x81\x82");
    EXPECT_EQ(run.errors, "");
}

TEST(FilterProgram, RefusesBadSettingsWithStatusTwoAndNoOutput) {
    test_support::TemporaryFolder folder;
    struct {
        std::wstring arguments;
        std::string error;
    } cases[] = {
        {L"--set NO_SUCH=1", "nuvela-filter: unknown key \"NO_SUCH\"\n"},
        // A full-width digit in the argument shows the arguments arrive as UTF-16.
        {L"--set MUL_BY_N=\xFF12", "nuvela-filter: MUL_BY_N takes digits and \".\" only, not \"\xEF\xBC\x92\"\n"},
    };
    for (const auto& c : cases) {
        const FilterRun run = RunFilterProgram(c.arguments, "text");
        ASSERT_TRUE(run.finished) << run.startError;
        EXPECT_EQ(run.exitCode, 2u);
        EXPECT_EQ(run.output, "");
        EXPECT_EQ(run.errors, c.error);
    }
}

}  // namespace
