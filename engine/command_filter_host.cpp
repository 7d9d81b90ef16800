#include "command_filter.h"

#include "language.h"
#include "options.h"
#include "pending_notification.h"

// The filter runs its command through CMD.EXE, which exists only in the Windows build. Here the
// text is left as it is and the user is told why.
void RunCommandFilter(std::wstring&) {
    if (!ProcessingOptions.USE_CMDLINE) return;
    PendingNotification::Append(Tr(L"外部コマンドによる加工はWindows版でのみ使えます。",
                                   L"The external command filter is available only in the Windows build."),
                                SeverityWarning);
}
