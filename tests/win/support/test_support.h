#pragma once
// Helpers for the Windows tests: a temporary folder made current for the test, and paths of the
// programs built beside the test program.
#include <filesystem>
#include <string>
#include <windows.h>

namespace test_support {

// Folder of the running test program.
std::filesystem::path ProgramFolder();
// Nuvela.exe of the same build.
std::filesystem::path NuvelaExe();

// A fresh folder under %TEMP%, made the current directory while the object lives; removed after.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

struct ProcessResult {
    bool started = false;
    bool finished = false;  // false when the deadline passed; the process was then ended
    DWORD exitCode = 0;
};

// Runs `commandLine` in `directory` and waits at most `timeoutMs`.
ProcessResult RunProcess(const std::wstring& commandLine, const std::filesystem::path& directory,
                         DWORD timeoutMs = 30000);

}  // namespace test_support
