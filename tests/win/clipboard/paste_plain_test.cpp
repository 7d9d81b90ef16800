#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clipboard_data.h"
#include "clipboard_fixture.h"
#include "options.h"
#include "paste_plain.h"
#include "watch.h"

namespace clipboard_test {
namespace {

// What the clipboard held each time the paste keystroke was asked for.
std::vector<std::wstring> pastedTexts;
std::vector<bool> markerOnPaste;
UINT markerFormat = 0;

bool RecordPaste() {
    pastedTexts.push_back(ClipboardText());
    markerOnPaste.push_back(markerFormat != 0 && ClipboardHas(markerFormat));
    return true;
}

class PastePlainTest : public ClipboardTest {
protected:
    void SetUp() override {
        ClipboardTest::SetUp();
        pastedTexts.clear();
        markerOnPaste.clear();
        markerFormat = 0;
        SetPasteKeystrokeFunction(RecordPaste);
        ProcessingOptions.DelSpace = true;
    }
};

// Asked for by the user, a privacy-marked copy is pasted too, marked, and goes back with its marker.
TEST_F(PastePlainTest, PrivateCopyIsPastedMarkedAndPutBackWithItsMarker) {
    ProcessingOptions.CBWatchEnabled = false;
    const std::vector<Offer> cases[] = {
        {UnicodeText(L"s e c r e t"), RegisteredFormat(L"HTML Format", "<b>secret</b>"),
         RegisteredFormat(L"ExcludeClipboardContentFromMonitorProcessing", "x")},
        {UnicodeText(L"s e c r e t"), {Registered(L"Clipboard Viewer Ignore"), {}, true}},
    };
    for (const auto& copy : cases) {
        pastedTexts.clear();
        markerOnPaste.clear();
        markerFormat = copy.back().format;
        ASSERT_TRUE(CopyAndWaitHandled(copy));
        PastePlainText(main_);
        ASSERT_EQ(pastedTexts, std::vector<std::wstring>{L"secret"});
        EXPECT_TRUE(markerOnPaste[0]) << "the result is as private as the copy";
        OnPasteRestoreTimer(main_);
        EXPECT_EQ(ClipboardText(), L"s e c r e t");
        EXPECT_TRUE(ClipboardHas(markerFormat));
        EXPECT_EQ(Runs(), 1u);
        runsBefore_ = ClipboardProcessingCount();
    }
}

// The copy goes back under our name before its notification is even seen: a restore must then not
// put the original kept from an older copy over it.
TEST_F(PastePlainTest, ARestoreAfterThePutBackBringsNoOlderCopy) {
    ASSERT_TRUE(CopyAndWaitProcessed(L"o l d"));  // kept: the old copy
    ProcessingOptions.CBWatchEnabled = false;
    const std::vector<Offer> copy = {UnicodeText(L"n e w"), RegisteredFormat(L"HTML Format", "<b>new</b>")};
    Copy(copier_, copy);
    PastePlainText(main_);  // before the copy's notification is handled
    OnPasteRestoreTimer(main_);
    PumpFor(100);
    ASSERT_EQ(ClipboardDataOf(copy), DataOf(copy));
    RestoreOriginalCopy(main_);
    PumpFor(100);
    EXPECT_EQ(ClipboardDataOf(copy), DataOf(copy));
    EXPECT_EQ(pastedTexts, std::vector<std::wstring>{L"new"});
}

// Monitoring waits Delay1Sec for a copy: a paste meanwhile processes it at once and pastes the
// result, so no formatted copy comes back under our name for the delayed run to skip.
TEST_F(PastePlainTest, PasteDuringTheDelayProcessesTheCopyFirst) {
    ProcessingOptions.Delay1Sec = 1000;
    ASSERT_TRUE(CopyAndWaitHandled({UnicodeText(L"n e w"), RegisteredFormat(L"HTML Format", "<b>new</b>")}));
    PastePlainText(main_);
    EXPECT_EQ(pastedTexts, std::vector<std::wstring>{L"new"});
    EXPECT_EQ(Runs(), 1u);
    OnPasteRestoreTimer(main_);
    EXPECT_EQ(ClipboardText(), L"new");
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
}

const std::vector<Offer> kHistoryMarkers = {DwordFormat(L"CanIncludeInClipboardHistory", 0),
                                            DwordFormat(L"CanUploadToCloudClipboard", 0)};

// A second paste of the same result starts the wait for the put-back again, so the target reads it
// first. The result and the copy put back are kept out of the clipboard history, which holds the
// copy already. A newer copy, even one hotkey 2 processed since, is never replaced by a put-back.
TEST_F(PastePlainTest, PutBackWaitsForTheLastPasteAndNeverReplacesANewerCopy) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.PASTE_RESTORE_MS = 600;
    const std::vector<Offer> copy = {UnicodeText(L"o l d"), RegisteredFormat(L"HTML Format", "<b>old</b>")};
    ASSERT_TRUE(CopyAndWaitHandled(copy));
    PastePlainText(main_);
    EXPECT_EQ(ClipboardDataOf(kHistoryMarkers), DataOf(kHistoryMarkers));
    PumpFor(300);
    PastePlainText(main_);
    const ULONGLONG second = GetTickCount64();
    ASSERT_TRUE(PumpUntil([&] { return ClipboardText() == L"o l d"; }));
    EXPECT_GE(GetTickCount64() - second, 550u);
    EXPECT_EQ(pastedTexts, (std::vector<std::wstring>{L"old", L"old"}));
    EXPECT_EQ(ClipboardDataOf(copy), DataOf(copy));
    EXPECT_EQ(ClipboardDataOf(kHistoryMarkers), DataOf(kHistoryMarkers));

    PastePlainText(main_);
    Copy(copier_, {UnicodeText(L"n e w"), RegisteredFormat(L"HTML Format", "<b>new</b>")});
    ASSERT_TRUE(ProcessClipboard(main_, true));
    OnPasteRestoreTimer(main_);
    EXPECT_EQ(ClipboardText(), L"new");
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
}

int writesBeforeRefusal = -1;
HANDLE RefuseOneWrite(UINT format, HANDLE data) {
    if (writesBeforeRefusal-- == 0) return nullptr;
    return SetClipboardData(format, data);
}

// A put-back that cannot write every format leaves the pasted result on the clipboard, not an empty
// clipboard or a part of the copy, and says so.
TEST_F(PastePlainTest, PutBackFailingHalfWayLeavesThePastedResult) {
    ProcessingOptions.CBWatchEnabled = false;
    ASSERT_TRUE(CopyAndWaitHandled({UnicodeText(L"o l d"), RegisteredFormat(L"HTML Format", "<b>old</b>")}));
    PastePlainText(main_);
    writesBeforeRefusal = 1;  // the text goes back, the HTML does not
    SetClipboardDataStep(RefuseOneWrite);
    OnPasteRestoreTimer(main_);
    SetClipboardDataStep(nullptr);
    EXPECT_EQ(ClipboardText(), L"old");
    EXPECT_FALSE(ClipboardHas(L"HTML Format"));
    ASSERT_FALSE(recorder_->balloons.empty());
    EXPECT_EQ(recorder_->balloons.back().text,
              L"Cannot give the copy back to the clipboard after pasting it as plain text.");
}

// A copy with nothing to paste as text: no keystroke, the default beep, the copy untouched.
TEST_F(PastePlainTest, NothingToPasteBeepsAndSendsNothing) {
    ProcessingOptions.CBWatchEnabled = false;
    const std::vector<Offer> picture = {RegisteredFormat(L"Nuvela test picture", "not text")};
    ASSERT_TRUE(CopyAndWaitHandled(picture));
    PastePlainText(main_);
    EXPECT_TRUE(pastedTexts.empty());
    ASSERT_EQ(Record().sounds.size(), 1u);
    EXPECT_EQ(Record().sounds[0].kind, SoundKind::Beep);
    EXPECT_EQ(ClipboardDataOf(picture), DataOf(picture));
    EXPECT_EQ(ClipboardOwner(), copier_);
}

}  // namespace
}  // namespace clipboard_test
