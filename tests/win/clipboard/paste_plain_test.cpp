#include <gtest/gtest.h>

#include <string>
#include <vector>

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
