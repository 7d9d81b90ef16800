// Runs the command filter in its ANSI mode inside a process whose ANSI code page is UTF-8 (its
// manifest asks for that, as Windows' "use Unicode UTF-8 for worldwide language support" does for
// every program). The command given as the only argument must upper-case ASCII.
// Exit code: 0 the text came back right, 1 it did not, 2 the code page is not UTF-8.
#include <windows.h>

#include <cstdio>
#include <string>

#include "command_filter.h"
#include "options.h"
#include "pending_notification.h"

int wmain(int argc, wchar_t** argv) {
    if (GetACP() != CP_UTF8) return 2;
    ProcessingOptions.USE_CMDLINE = true;
    ProcessingOptions.CMDLINE = argc > 1 ? argv[1] : L"";
    ProcessingOptions.CMDLINE_CHARCODE = 0;
    std::wstring text = L"\x65E5\x672C \x00E9 abc";
    RunCommandFilter(text);
    if (text == L"\x65E5\x672C \x00E9 ABC" && PendingNotification::Text().empty()) return 0;
    std::fprintf(stderr, "filtered text has %zu units; notification: %zu units\n", text.size(),
                 PendingNotification::Text().size());
    return 1;
}
