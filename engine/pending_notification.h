#pragma once
// The one collector of run-time messages. A piece of work clears it, appends what it has to say
// and shows it once at its end as a single balloon carrying the icon of its worst message.
#include <string>
#include <string_view>

enum Severity : unsigned { SeverityNone = 0, SeverityInfo = 1, SeverityWarning = 2, SeverityError = 3 };

inline constexpr std::wstring_view kMessageSeparator = L"\r\n-----\r\n";

namespace PendingNotification {

// Shows a non-empty collected text; the shell installs one that knows its tray icon.
using ShowFunction = void (*)(const std::wstring& text, unsigned severity);

void Clear();
void Append(std::wstring_view text, unsigned severity);
void Show();
void AppendAndShow(std::wstring_view text, unsigned severity);

const std::wstring& Text();
unsigned Severity();

// The shell installs the balloon here; tests install a recorder. Returns the previous function.
ShowFunction SetShowFunction(ShowFunction show);

}  // namespace PendingNotification

// Appends `message` to a caller-owned collection of failure texts, with the separator between two.
void AppendJoined(std::wstring& collected, std::wstring_view message);
