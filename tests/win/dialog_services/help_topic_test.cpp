#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include "help_topic.h"

namespace dialog_services_test {
namespace {

struct HelpCall {
    HWND owner;
    std::wstring file;
    UINT command;
    DWORD_PTR data;
};
std::vector<HelpCall> calls;
int loads = 0;
HWND helpWindow = nullptr;  // what the recorded help function answers

HWND WINAPI RecordingHtmlHelp(HWND owner, const wchar_t* file, UINT command, DWORD_PTR data) {
    calls.push_back({owner, file, command, data});
    return helpWindow;
}
HtmlHelpFunction LoadRecording() {
    ++loads;
    return RecordingHtmlHelp;
}
HtmlHelpFunction LoadNothing() {
    ++loads;
    return nullptr;
}

class HelpTopicTest : public testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        loads = 0;
        helpWindow = GetDesktopWindow();  // any window stands for an opened help window
    }
    void TearDown() override { SetHtmlHelpLoader(nullptr); }
};

TEST_F(HelpTopicTest, ATopicOpensInsideTheHelpFileAndNoTopicOpensTheFile) {
    SetHtmlHelpLoader(LoadRecording);
    HWND owner = reinterpret_cast<HWND>(0x1234);
    EXPECT_TRUE(OpenHelpTopic(owner, L"HLP000018.html#shortcutkey"));
    EXPECT_TRUE(OpenHelpTopic(nullptr, nullptr));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].owner, owner);
    EXPECT_EQ(calls[0].file, L".\\Nuvela.chm::/_RESOURCE/HLP000018.html#shortcutkey");
    EXPECT_EQ(calls[1].owner, nullptr);
    EXPECT_EQ(calls[1].file, L".\\Nuvela.chm");
    for (const HelpCall& call : calls) {
        EXPECT_EQ(call.command, 0u);  // HH_DISPLAY_TOPIC
        EXPECT_EQ(call.data, 0u);
    }
    EXPECT_EQ(loads, 1);  // the library stays loaded

    helpWindow = nullptr;
    EXPECT_FALSE(OpenHelpTopic(nullptr, L"HLP000001.html"));
}

TEST_F(HelpTopicTest, AFailedLoadIsFinalUntilAnotherLoaderIsPutIn) {
    SetHtmlHelpLoader(LoadNothing);
    EXPECT_FALSE(OpenHelpTopic(nullptr, L"HLP000011.html"));
    EXPECT_FALSE(OpenHelpTopic(nullptr, L"HLP000011.html"));
    EXPECT_EQ(loads, 1);

    EXPECT_EQ(SetHtmlHelpLoader(LoadRecording), &LoadNothing);
    EXPECT_TRUE(OpenHelpTopic(nullptr, L"HLP000011.html"));
    EXPECT_EQ(loads, 2);
}

}  // namespace
}  // namespace dialog_services_test
