#pragma once
// A real window under Wine whose procedure hands the clipboard messages and timers to the clipboard
// service, the shared recorder in place of the balloon and message boxes, and sounds recorded.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "clipboard_access.h"
#include "recorder.h"
#include "sound.h"

namespace clipboard_test {

struct Sound {
    SoundKind kind;
    std::wstring file;
};

struct Recorded {
    std::vector<Sound> sounds;
    bool soundFileFails = false;  // the recorder's answer for a sound file
    int updates = 0;              // clipboard notifications the main window received
    unsigned openAttempts = 0;    // the service's attempts to open the clipboard
    unsigned failedOpens = 0;     // those that failed
};
Recorded& Record();

// While it lives, another thread holds the clipboard open; it lets go at the service's first
// failed attempt to open it, and that attempt returns only once the clipboard is free, so the
// service's next attempt finds it free however the threads are scheduled.
class ClipboardHeldUntilFirstFailedOpen {
public:
    // `atRelease` runs on the holding thread just before it lets go (it may copy there, as `opener`).
    explicit ClipboardHeldUntilFirstFailedOpen(std::function<void()> atRelease = {}, HWND opener = nullptr);
    ~ClipboardHeldUntilFirstFailedOpen();
    ClipboardHeldUntilFirstFailedOpen(const ClipboardHeldUntilFirstFailedOpen&) = delete;
    ClipboardHeldUntilFirstFailedOpen& operator=(const ClipboardHeldUntilFirstFailedOpen&) = delete;
    bool held() const { return holder_.held(); }
    void Release() { holder_.Release(); }

private:
    ClipboardHeldElsewhere holder_;
};

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Copies `text` from the copier window and waits until the service has processed it.
    bool CopyAndWaitProcessed(const std::wstring& text, DWORD deadlineMs = 5000);
    bool WaitForProcessingCount(unsigned count, DWORD deadlineMs = 5000);
    // Copies from the copier window and waits until the main window has handled the notification;
    // an immediate run is then over, and a copy left alone shows as nothing having run.
    bool CopyAndWaitHandled(const std::vector<Offer>& offers, DWORD deadlineMs = 5000);
    unsigned Runs() const;  // processings since SetUp

    std::unique_ptr<test_support::Recorder> recorder_;
    HWND main_ = nullptr;    // stands in for the main window
    HWND copier_ = nullptr;  // another program's window that copies
    unsigned runsBefore_ = 0;
};

}  // namespace clipboard_test
