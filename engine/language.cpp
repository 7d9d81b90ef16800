#include "language.h"

Language LanguageMode = Language::Japanese;
std::wstring AppDisplayName = L"ヌベラ";

void SetLanguage(Language language) {
    LanguageMode = language;
    AppDisplayName = language == Language::Japanese ? L"ヌベラ" : L"Nuvela";
}
