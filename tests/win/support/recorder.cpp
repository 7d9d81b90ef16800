#include "recorder.h"

#include <gtest/gtest.h>

#include "message_box.h"
#include "pending_notification.h"

namespace test_support {

namespace {

Recorder* active = nullptr;
MessageBoxFunction previousBox = nullptr;
PendingNotification::ShowFunction previousShow = nullptr;

int RecordBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    active->boxes.push_back({owner, text, caption, type});
    if (active->onBox) {
        const RecordedBox shown = active->boxes.back();  // the callback may record more boxes
        active->onBox(shown);
    }
    return active->boxAnswer;
}

void RecordBalloon(const std::wstring& text, unsigned severity) {
    active->balloons.push_back({text, severity});
    if (active->onBalloon) active->onBalloon(active->balloons.back());
}

}  // namespace

Recorder::Recorder() {
    EXPECT_EQ(active, nullptr) << "one recorder at a time";
    active = this;
    previousBox = SetMessageBoxFunction(RecordBox);
    previousShow = PendingNotification::SetShowFunction(RecordBalloon);
}

Recorder::~Recorder() {
    SetMessageBoxFunction(previousBox);
    PendingNotification::SetShowFunction(previousShow);
    active = nullptr;
}

void Recorder::Clear() {
    boxes.clear();
    balloons.clear();
}

}  // namespace test_support
