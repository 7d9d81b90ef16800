#pragma once
// A real window under Wine whose procedure hands the clipboard messages and timers to the clipboard
// service, recorders in place of the balloon, message boxes and sounds, and helpers that copy to
// and read the real clipboard.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>
#include <windows.h>

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

// One block of clipboard data offered by a copying program.
struct Offer {
    UINT format;
    std::vector<BYTE> data;
    bool nullHandle = false;  // offered for delayed rendering that never comes
};
Offer UnicodeText(const std::wstring& text);
Offer RegisteredFormat(const wchar_t* name, const std::string& bytes);
Offer DwordFormat(const wchar_t* name, DWORD value);
Offer DropList(const std::vector<std::wstring>& paths);

// Writes the offers as one copy, owned by `owner`.
void Copy(HWND owner, const std::vector<Offer>& offers);
void CopyText(HWND owner, const std::wstring& text);

std::wstring ClipboardText();  // empty when there is none
bool ClipboardHas(UINT format);
bool ClipboardHas(const wchar_t* registeredName);
HWND ClipboardOwner();
UINT Registered(const wchar_t* name);

// Dispatches messages until `done` or the deadline; returns `done()` at the end.
bool PumpUntil(const std::function<bool()>& done, DWORD deadlineMs = 5000);
// Dispatches every message already queued and those arriving within `quietMs`.
void PumpFor(DWORD quietMs);

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
