#include "pending_notification.h"

#include <algorithm>
#include <utility>

namespace {
std::wstring pendingText;
unsigned pendingSeverity = SeverityNone;
PendingNotification::ShowFunction showFunction = nullptr;
}  // namespace

void AppendJoined(std::wstring& collected, std::wstring_view message) {
    if (!collected.empty()) collected += kMessageSeparator;
    collected += message;
}

namespace PendingNotification {

void Clear() {
    pendingText.clear();
    pendingSeverity = SeverityNone;
}

void Append(std::wstring_view text, unsigned severity) {
    AppendJoined(pendingText, text);
    pendingSeverity = std::max(pendingSeverity, severity);
}

// Showing does not clear: the next piece of work does.
void Show() {
    if (pendingText.empty() || !showFunction) return;
    showFunction(pendingText, pendingSeverity);
}

void AppendAndShow(std::wstring_view text, unsigned severity) {
    Append(text, severity);
    Show();
}

const std::wstring& Text() { return pendingText; }
unsigned Severity() { return pendingSeverity; }

ShowFunction SetShowFunction(ShowFunction show) {
    return std::exchange(showFunction, show);
}

}  // namespace PendingNotification
