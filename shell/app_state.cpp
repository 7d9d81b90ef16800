#include "app_state.h"

Language LanguageMode = Language::Japanese;
std::wstring AppDisplayName = L"ヌベラ";
HINSTANCE ProgramInstance = nullptr;

void SetLanguage(Language language) {
    LanguageMode = language;
    AppDisplayName = language == Language::Japanese ? L"ヌベラ" : L"Nuvela";
}
