#include "test_support.h"

#include <string>

#include "scoped_win.h"

namespace test_support {

std::filesystem::path ProgramFolder() {
    wchar_t path[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return std::filesystem::path(path).parent_path();
}

std::filesystem::path NuvelaExe() { return ProgramFolder().parent_path() / L"Nuvela.exe"; }

TemporaryFolder::TemporaryFolder() : previous_(std::filesystem::current_path()) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring name = L"nuvela-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(GetTickCount64());
    path_ = std::filesystem::path(temp) / name;
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

ProcessResult RunProcess(const std::wstring& commandLine, const std::filesystem::path& directory, DWORD timeoutMs) {
    ProcessResult result;
    std::wstring mutableLine = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, directory.c_str(), &startup,
                        &info))
        return result;
    result.started = true;
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    result.finished = WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
    if (!result.finished) {
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
    }
    GetExitCodeProcess(process.get(), &result.exitCode);
    return result;
}

}  // namespace test_support
