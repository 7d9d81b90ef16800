#pragma once
#include <string>

// Replaces `text` by the result of the REP_BEFORE / REP_AFTER replacement; on failure the text
// stays as it was and a warning is appended to the pending notification.
void ApplyRegexReplacement(std::wstring& text);

enum class PatternCheck { Valid, SyntaxError, Failed };
// Compiles `pattern` as the replacement does, Perl syntax without flags. A syntax error gives the
// library's own (narrow) message; Failed is anything else that went wrong, such as memory.
PatternCheck CheckRegexPattern(const std::wstring& pattern, std::string& message);
