#include "command_filter.h"

// Not built yet: the external command filter passes the text through unchanged.
void RunCommandFilter(std::wstring&) {}
