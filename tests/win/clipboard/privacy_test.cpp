#include <gtest/gtest.h>

#include <cstring>

#include "clipboard_fixture.h"
#include "multidiv.h"
#include "options.h"
#include "scoped_win.h"
#include "watch.h"

namespace clipboard_test {
namespace {

struct MarkerCase {
    const char* name;
    Offer marker;
    bool isPrivate;
};

std::vector<MarkerCase> MarkerCases() {
    return {
        {"exclude from monitoring", RegisteredFormat(L"ExcludeClipboardContentFromMonitorProcessing", "x"), true},
        {"viewer ignore, offered without data", {Registered(L"Clipboard Viewer Ignore"), {}, true}, true},
        {"no history", DwordFormat(L"CanIncludeInClipboardHistory", 0), true},
        {"no cloud", DwordFormat(L"CanUploadToCloudClipboard", 0), true},
        {"history allowed", DwordFormat(L"CanIncludeInClipboardHistory", 1), false},
        {"cloud allowed", DwordFormat(L"CanUploadToCloudClipboard", 1), false},
        {"history marker too short to hold a DWORD", RegisteredFormat(L"CanIncludeInClipboardHistory", "\0"), false},
    };
}

// The marker's data as it is on the clipboard now.
std::vector<BYTE> MarkerData(UINT format) {
    ClipboardSession session;
    if (!session.Open(nullptr)) return {};
    HANDLE handle = GetClipboardData(format);
    if (!handle) return {};
    GlobalMemoryLock lock(handle);
    const BYTE* data = static_cast<const BYTE*>(lock.data());
    return data ? std::vector<BYTE>(data, data + GlobalSize(handle)) : std::vector<BYTE>();
}

using PrivacyTest = ClipboardTest;

TEST_F(PrivacyTest, AutomaticRunLeavesPrivateTextUntouched) {
    ProcessingOptions.DelSpace = true;
    for (const MarkerCase& c : MarkerCases()) {
        const unsigned runs = Runs();
        const int updates = Record().updates;
        Copy(copier_, {UnicodeText(L"s e c r e t"), RegisteredFormat(L"HTML Format", "<b>secret</b>"), c.marker});
        // Immediate mode processes inside the notification, so once it is handled the run is over.
        ASSERT_TRUE(PumpUntil([&] { return Record().updates > updates && (c.isPrivate || Runs() > runs); })) << c.name;
        if (c.isPrivate) {
            EXPECT_EQ(Runs(), runs) << c.name;
            EXPECT_EQ(ClipboardText(), L"s e c r e t") << c.name;
            EXPECT_TRUE(ClipboardHas(L"HTML Format")) << c.name;
            EXPECT_EQ(ClipboardOwner(), copier_) << c.name;
        } else {
            EXPECT_TRUE(PumpUntil([&] { return ClipboardOwner() == main_; })) << c.name;
            EXPECT_EQ(ClipboardText(), L"secret") << c.name;
        }
    }
}

TEST_F(PrivacyTest, ForcedRunProcessesPrivateTextAndKeepsItsMarkers) {
    ProcessingOptions.CBWatchEnabled = false;
    ProcessingOptions.MultiDiv = true;
    ProcessingOptions.MultiDivSec = 10000;
    ProcessingOptions.DelSpace = true;
    for (const MarkerCase& c : MarkerCases()) {
        if (!c.isPrivate) continue;
        Copy(copier_, {UnicodeText(L"p w\r\nd"), c.marker});
        EXPECT_TRUE(ProcessClipboard(main_, true)) << c.name;
        EXPECT_EQ(ClipboardText(), L"pw\r\nd") << c.name;
        EXPECT_TRUE(ClipboardHas(c.marker.format)) << c.name;
        const std::vector<BYTE> after = MarkerData(c.marker.format);
        ASSERT_GE(after.size(), c.marker.data.size()) << c.name;
        EXPECT_TRUE(std::equal(c.marker.data.begin(), c.marker.data.end(), after.begin())) << c.name;
        EXPECT_FALSE(MultiDivRunning()) << c.name;  // private lines are not copied again later
    }
}

TEST_F(PrivacyTest, PrivateCopyEndsARunningReCopy) {
    ProcessingOptions.MultiDiv = true;
    ProcessingOptions.MultiDivSec = 10000;
    ASSERT_TRUE(CopyAndWaitProcessed(L"a\r\nb"));
    ASSERT_TRUE(MultiDivRunning());
    const int updates = Record().updates;
    Copy(copier_, {UnicodeText(L"secret"), DwordFormat(L"CanIncludeInClipboardHistory", 0)});
    ASSERT_TRUE(PumpUntil([&] { return Record().updates > updates; }));
    EXPECT_FALSE(MultiDivRunning());
    EXPECT_EQ(ClipboardText(), L"secret");
}

}  // namespace
}  // namespace clipboard_test
