#pragma once
// Helpers shared by every Windows test program: paths of the programs built beside the test, a
// temporary folder and environment variables that are put back, the one way tests start a
// process, the test's ini file and the product's registry key.
#include <filesystem>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include "scoped_win.h"

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

// Sets an environment variable (null removes it) and puts back what it was on every way out.
class ScopedEnvironmentVariable {
public:
    ScopedEnvironmentVariable(const wchar_t* name, const wchar_t* value);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

private:
    std::wstring name_;
    std::wstring previous_;
    bool hadValue_ = false;
};

// ---- Processes: every test starts its processes through ChildProcess.

struct ProcessOptions {
    std::filesystem::path program;    // named apart from the command line, so a name without ".exe" is taken as it is
    std::filesystem::path directory;  // empty: the test's current directory
    // Standard streams handed to the child (inheritable handles); all three or none.
    HANDLE input = nullptr;
    HANDLE output = nullptr;
    HANDLE error = nullptr;
    DWORD creationFlags = 0;
};

// One started process. One still running when the object goes is ended then, so no test leaves a
// process behind, also when an assertion returned early.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const std::wstring& commandLine, const ProcessOptions& options = {});
    ~ChildProcess();
    ChildProcess(ChildProcess&&) noexcept = default;
    ChildProcess& operator=(ChildProcess&&) noexcept = default;

    bool started() const { return static_cast<bool>(process_); }
    DWORD startError() const { return startError_; }  // why it could not be started
    DWORD id() const { return id_; }
    HANDLE handle() const { return process_.get(); }
    bool Running() const;
    // Waits for the end; false when the deadline passed.
    bool WaitForExit(DWORD deadlineMs);
    DWORD ExitCode() const;  // STILL_ACTIVE while it runs
    // Ends it at once and waits until it has ended.
    void Terminate();

private:
    UniqueHandle process_;
    DWORD id_ = 0;
    DWORD startError_ = 0;
};

struct ProcessResult {
    bool started = false;
    bool finished = false;  // false when the deadline passed; the process was then ended
    DWORD exitCode = 0;
};

// Runs `commandLine` in `directory` and waits at most `timeoutMs`.
ProcessResult RunProcess(const std::wstring& commandLine, const std::filesystem::path& directory,
                         DWORD timeoutMs = 30000);

// Runs a program of the host (xdotool, sh) and waits for it; true when it exited with 0. Wine runs
// no Unix program through CreateProcess, so its ntdll spawns it directly.
bool RunUnixCommand(std::vector<const char*> arguments);

// The width of the icon's image in pixels; 0 when it is no icon.
int IconWidth(HICON icon);
// The height (lfHeight) of the font the window was given; 0 when it has none.
int FontHeightOf(HWND window);

// ---- The ini file, section "Zelmora"; by default the one in the current folder.

inline const std::filesystem::path kCurrentIni = L".\\Nuvela.ini";

// The integer stored under `key`; `missing` when the key is not there.
int IniInteger(const wchar_t* key, int missing = -1, const std::filesystem::path& file = kCurrentIni);
// The text stored under `key`; "<missing>" when the key is not there.
std::wstring IniText(const wchar_t* key, const std::filesystem::path& file = kCurrentIni,
                     const wchar_t* section = L"Zelmora");
// Writes the values, first creating the file as the program does (UTF-16LE with its mark) if needed.
void WriteIni(const std::vector<std::pair<std::wstring, std::wstring>>& values,
              const std::filesystem::path& file = kCurrentIni);

// ---- The product's registry key "HKEY_CURRENT_USER\Software\Tavernel\Nuvela\CurrentVersion".

// Removes the product key with everything under it, then each parent ("Nuvela", "Tavernel") that
// is left empty. Other programs' keys are never touched.
void DeleteProductKey();
bool ProductKeyExists();
// Writes a raw value under the product key, creating the key.
void SetRawValue(const wchar_t* name, DWORD type, const void* data, DWORD size);
void SetRawString(const wchar_t* name, const std::wstring& text);
void SetRawDword(const wchar_t* name, DWORD value);
// Type and bytes of a stored value; false when it is absent.
bool GetRawValue(const wchar_t* name, DWORD& type, std::vector<BYTE>& data);
// A REG_DWORD value; false when it is absent or of another type.
bool GetRawDword(const wchar_t* name, DWORD& value);

}  // namespace test_support
