#pragma once
// Text of the ANSI code page (library messages, old clipboard formats) as UTF-16.
#include <string>

// `length` bytes of ANSI code-page text.
std::wstring WideFromAnsi(const char* text, int length);
// A NUL-terminated ANSI text.
std::wstring WideFromAnsi(const char* text);
