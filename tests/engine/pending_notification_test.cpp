#include <gtest/gtest.h>

#include <vector>

#include "pending_notification.h"

namespace {

struct ShownBalloon {
    std::wstring text;
    unsigned severity;
};
std::vector<ShownBalloon> shown;

void RecordShow(const std::wstring& text, unsigned severity) {
    shown.push_back({text, severity});
}

class PendingNotificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        shown.clear();
        PendingNotification::Clear();
        previous_ = PendingNotification::SetShowFunction(RecordShow);
    }
    void TearDown() override {
        PendingNotification::SetShowFunction(previous_);
        PendingNotification::Clear();
    }
    PendingNotification::ShowFunction previous_ = nullptr;
};

TEST_F(PendingNotificationTest, FirstMessageHasNoSeparator) {
    PendingNotification::Append(L"only", SeverityWarning);
    EXPECT_EQ(PendingNotification::Text(), L"only");
    EXPECT_EQ(PendingNotification::Severity(), SeverityWarning);
}

TEST_F(PendingNotificationTest, HighestSeverityWinsAndTextsAreJoined) {
    PendingNotification::Append(L"info", SeverityInfo);
    PendingNotification::Append(L"error", SeverityError);
    PendingNotification::Append(L"warning", SeverityWarning);
    PendingNotification::Show();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"info\r\n-----\r\nerror\r\n-----\r\nwarning");
    EXPECT_EQ(shown[0].severity, SeverityError);
}

TEST_F(PendingNotificationTest, EmptyTextShowsNothingWhateverTheSeverity) {
    PendingNotification::Append(L"", SeverityError);
    PendingNotification::Show();
    EXPECT_TRUE(shown.empty());
}

TEST_F(PendingNotificationTest, ShowDoesNotClearButClearDoes) {
    PendingNotification::AppendAndShow(L"a", SeverityInfo);
    PendingNotification::Show();
    EXPECT_EQ(shown.size(), 2u);
    PendingNotification::Clear();
    EXPECT_EQ(PendingNotification::Text(), L"");
    EXPECT_EQ(PendingNotification::Severity(), SeverityNone);
    PendingNotification::Show();
    EXPECT_EQ(shown.size(), 2u);
}

TEST(AppendJoined, SeparatesCollectedFailures) {
    std::wstring collected;
    AppendJoined(collected, L"one");
    AppendJoined(collected, L"two");
    EXPECT_EQ(collected, L"one\r\n-----\r\ntwo");
}

}  // namespace
