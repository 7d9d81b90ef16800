#include "running_nuvela.h"

#include <gtest/gtest.h>

#include <fstream>

#include "clipboard_access.h"

namespace clipboard_test {

namespace {

HWND FindMainWindow(DWORD processId) {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"NuvelaClipboardText", nullptr);
         window; window = FindWindowExW(nullptr, window, L"NuvelaClipboardText", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId) return window;
    }
    return nullptr;
}

// UTF-16LE with its mark, as the program keeps the file.
void WriteIni(const std::filesystem::path& path, const std::wstring& settings) {
    const std::wstring text = L"\xFEFF[Zelmora]\r\n" + settings;
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size() * sizeof(wchar_t)));
}

bool Start(const std::filesystem::path& exe, const std::wstring& arguments, const std::filesystem::path& folder,
           UniqueHandle& process) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"" + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &info))
        return false;
    process.reset(info.hProcess);
    CloseHandle(info.hThread);
    return true;
}

}  // namespace

RunningNuvela::RunningNuvela(const std::wstring& settings) : exe_(folder_.path() / L"Nuvela_o.exe") {
    std::filesystem::copy_file(test_support::NuvelaExe(), exe_);
    // No opening dialog, no hotkeys that could clash with another test, English texts.
    WriteIni(folder_.path() / L"Nuvela.ini", L"NoOpeningDlg=1\r\nSK1_VKEY=0\r\nSK2_VKEY=0\r\n" + settings);
    SetEnvironmentVariableW(L"NUVELA_LANG", L"EN");
    const bool started = Start(exe_, L"", folder_.path(), process_);
    SetEnvironmentVariableW(L"NUVELA_LANG", nullptr);
    if (!started) return;
    const DWORD processId = GetProcessId(process_.get());
    PumpUntil([&] { return (window_ = FindMainWindow(processId)) != nullptr || !Running(); }, 20000);
}

RunningNuvela::~RunningNuvela() {
    if (process_ && Running()) {
        // A second start with "/X" ends the running one the way a user would.
        UniqueHandle second;
        if (Start(exe_, L" /X", folder_.path(), second)) WaitForSingleObject(second.get(), 10000);
        if (WaitForSingleObject(process_.get(), 10000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "Nuvela did not end on /X";
            TerminateProcess(process_.get(), 1);
            WaitForSingleObject(process_.get(), 10000);
        }
    }
    EXPECT_FALSE(Running());
    process_.reset();
    // Ends while the folder, and the ini file in it, is still there; the folder goes next.
}

bool RunningNuvela::Running() const { return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

}  // namespace clipboard_test
