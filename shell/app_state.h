#pragma once
// Process-wide values chosen once at start-up.
#include <string>
#include <windows.h>

enum class Language { Japanese, English };

extern Language LanguageMode;
extern std::wstring AppDisplayName;  // "ヌベラ" or "Nuvela"
extern HINSTANCE ProgramInstance;

// Picks the text of the current language; both texts stand side by side at the point of use.
inline const wchar_t* Tr(const wchar_t* japanese, const wchar_t* english) {
    return LanguageMode == Language::Japanese ? japanese : english;
}

void SetLanguage(Language language);
