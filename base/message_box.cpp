#include "message_box.h"

#include <utility>

#include "language.h"

namespace {
int SystemMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), type);
}
MessageBoxFunction messageBoxFunction = SystemMessageBox;
}  // namespace

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) {
    return messageBoxFunction(owner, text, caption, type);
}

int ShowAppMessageBox(const std::wstring& text, UINT type) {
    return ShowMessageBox(nullptr, text, AppDisplayName, type);
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction function) {
    return std::exchange(messageBoxFunction, function ? function : SystemMessageBox);
}
