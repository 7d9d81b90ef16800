#pragma once
// The program's dialogs driven in-process under Wine: a modal dialog runs while a thread timer
// finds it and plays a script on it with real messages, as a user's clicks and keys would arrive.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "language.h"
#include "recorder.h"
#include "test_support.h"

namespace dialog_test {

extern std::vector<std::wstring> helpFiles;  // what the help control was asked to show

using Script = std::function<void(HWND dialog)>;

// Calls `open` (a dialog's public entry) and plays `script` on the dialog once it is shown. The
// script ends the dialog; one it leaves open is cancelled afterwards, so no test can hang.
bool Drive(const std::function<bool()>& open, Script script);

// What a user does to the controls.
void Click(HWND dialog, int id);                  // a button, or a check box (which toggles)
void Press(HWND dialog, int id);                  // OK, Cancel, Help: the command the button sends
void Type(HWND dialog, int comboId, const std::wstring& text);  // into an editable combo box, replacing it
void Choose(HWND dialog, int comboId, int index); // an entry of a drop-down list
std::wstring TextOf(HWND dialog, int id);
std::vector<std::wstring> ComboItems(HWND dialog, int comboId);
int Selection(HWND dialog, int comboId);
bool Checked(HWND dialog, int id);
bool Enabled(HWND dialog, int id);

// A fresh folder with its own ini file, English unless a test says otherwise, default options,
// message boxes and the help control recorded.
class DialogTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    const std::vector<test_support::RecordedBox>& boxes() const { return recorder_->boxes; }
    std::unique_ptr<test_support::TemporaryFolder> folder_;
    std::unique_ptr<test_support::Recorder> recorder_;
};

}  // namespace dialog_test
