#pragma once
// The real Nuvela.exe, copied into a temporary folder as Nuvela_o.exe so that its settings live in
// a Nuvela.ini there, started with the options a test needs and ended again with "/X".
#include <filesystem>
#include <string>
#include <windows.h>

#include "scoped_win.h"
#include "test_support.h"

namespace clipboard_test {

class RunningNuvela {
public:
    // `settings`: lines "Key=value" of the section "Zelmora".
    explicit RunningNuvela(const std::wstring& settings);
    ~RunningNuvela();
    RunningNuvela(const RunningNuvela&) = delete;
    RunningNuvela& operator=(const RunningNuvela&) = delete;

    HWND window() const { return window_; }  // none when it did not start
    bool Running() const;

private:
    test_support::TemporaryFolder folder_;
    std::filesystem::path exe_;
    UniqueHandle process_;
    HWND window_ = nullptr;
};

}  // namespace clipboard_test
