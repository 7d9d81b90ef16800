#pragma once
// The user-interface language, fixed once at start-up; every user-visible text exists in both.
#include <string>

enum class Language { Japanese, English };

extern Language LanguageMode;
extern std::wstring AppDisplayName;  // "ヌベラ" or "Nuvela": message-box captions, window and balloon titles

// Picks the text of the current language; both texts stand side by side at the point of use.
inline const wchar_t* Tr(const wchar_t* japanese, const wchar_t* english) {
    return LanguageMode == Language::Japanese ? japanese : english;
}

void SetLanguage(Language language);
