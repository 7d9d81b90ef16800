#pragma once
#include <string>

// Replaces `text` by the result of the REP_BEFORE / REP_AFTER replacement; on failure the text
// stays as it was and a warning is appended to the pending notification.
void ApplyRegexReplacement(std::wstring& text);
