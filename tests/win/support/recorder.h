#pragma once
// Records message boxes and balloons instead of showing them: installed by construction, the
// previous functions put back by destruction. The only place the tests install the message-box
// and notification seams.
#include <functional>
#include <string>
#include <vector>
#include <windows.h>

namespace test_support {

struct RecordedBox {
    HWND owner;
    std::wstring text;
    std::wstring caption;
    UINT type;
};

struct RecordedBalloon {
    std::wstring text;
    unsigned severity;
};

class Recorder {
public:
    Recorder();
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    void Clear();

    std::vector<RecordedBox> boxes;
    std::vector<RecordedBalloon> balloons;
    int boxAnswer = IDOK;  // the button every recorded box returns
    // Runs after a box is recorded and before it answers, from inside the code that showed it,
    // as while a real box's own message loop runs.
    std::function<void(const RecordedBox&)> onBox;
    // Runs after a balloon is recorded, from inside the code that showed it.
    std::function<void(const RecordedBalloon&)> onBalloon;
};

}  // namespace test_support
