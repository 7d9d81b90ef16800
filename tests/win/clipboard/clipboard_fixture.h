#pragma once
// A real window under Wine whose procedure hands the clipboard messages and timers to the clipboard
// service, and recorders in place of the balloon, message boxes and sounds.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include "clipboard_access.h"
#include "sound.h"

namespace clipboard_test {

struct Balloon {
    std::wstring text;
    unsigned severity;
};
struct MessageBoxCall {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};
struct Sound {
    SoundKind kind;
    std::wstring file;
};

struct Recorded {
    std::vector<Balloon> balloons;
    std::vector<MessageBoxCall> boxes;
    std::vector<Sound> sounds;
    bool soundFileFails = false;  // the recorder's answer for a sound file
    int updates = 0;              // clipboard notifications the main window received
};
Recorded& Record();

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Copies `text` from the copier window and waits until the service has processed it.
    bool CopyAndWaitProcessed(const std::wstring& text, DWORD deadlineMs = 5000);
    bool WaitForProcessingCount(unsigned count, DWORD deadlineMs = 5000);
    unsigned Runs() const;  // processings since SetUp

    HWND main_ = nullptr;    // stands in for the main window
    HWND copier_ = nullptr;  // another program's window that copies
    unsigned runsBefore_ = 0;
};

}  // namespace clipboard_test
