#include "ansi_text.h"

#include <algorithm>
#include <cstring>
#include <windows.h>

std::wstring WideFromAnsi(const char* text, int length) {
    if (length == 0) return std::wstring();
    const int units = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(units, 0)), L'\0');
    if (units > 0) MultiByteToWideChar(CP_ACP, 0, text, length, wide.data(), units);
    return wide;
}

std::wstring WideFromAnsi(const char* text) { return WideFromAnsi(text, static_cast<int>(std::strlen(text))); }
