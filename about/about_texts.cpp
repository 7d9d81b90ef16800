#include "about_texts.h"

#include <cstdio>
#include <cwctype>
#include <vector>
#include <windows.h>

namespace {

constexpr wchar_t kMailFilterNote[] =
    L"　メールフィルタやサーバによるドメイン着信拒否の対象になっていることがあります。質問しているのに返信がなかなか"
    L"届かない場合は、ごみ箱や迷惑メールフォルダを確認するか、フィルタ作成者・サーバ管理者にご相談下さい。";

std::wstring QueryString(const std::vector<BYTE>& block, const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value || length == 0) return std::wstring();
    const auto* text = static_cast<const wchar_t*>(value);
    return std::wstring(text, wcsnlen(text, length));
}

bool StartsWithIgnoringCase(const std::wstring& text, const wchar_t* prefix) {
    const std::wstring start = text.substr(0, wcslen(prefix));
    return start.size() == wcslen(prefix) && _wcsicmp(start.c_str(), prefix) == 0;
}

void AppendLine(std::wstring& text, const std::wstring& line) {
    if (!line.empty()) text += L"\r\n" + line;
}

}  // namespace

std::optional<VersionStrings> ReadVersionStrings(const std::wstring& file) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return std::nullopt;
    return VersionStrings{QueryString(block, L"FileVersion"), QueryString(block, L"FileDescription"),
                          QueryString(block, L"SpecialBuild"), QueryString(block, L"LegalCopyright"),
                          QueryString(block, L"PrivateBuild")};
}

std::wstring VersionNumberText(const std::wstring& fileVersion) {
    unsigned major = 0, minor = 0, build = 0, revision = 0;
    if (std::swscanf(fileVersion.c_str(), L"%u.%u.%u.%u", &major, &minor, &build, &revision) < 1) major = 0;
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"ver.%u.%u%u.%02u", major, minor, build, revision);
    return text;
}

std::wstring SpecialBuildText(const std::wstring& specialBuild, bool japanese) {
    if (japanese && specialBuild == L"beta") return L"β";
    if (japanese && specialBuild == L"alpha") return L"α";
    return specialBuild;
}

std::wstring VersionBoxText(const VersionStrings& strings, const std::wstring& productName, bool japanese) {
    std::wstring text = productName + L" " + VersionNumberText(strings.fileVersion);
    const std::wstring special = SpecialBuildText(strings.specialBuild, japanese);
    if (!special.empty()) text += L" " + special;
    AppendLine(text, strings.fileDescription);
    AppendLine(text, strings.legalCopyright);
    AppendLine(text, strings.privateBuild);
    return text;
}

std::wstring VersionLineOf(const std::wstring& versionBoxText) {
    size_t end = 0;
    while (end < versionBoxText.size() && versionBoxText[end] >= L' ') ++end;
    return versionBoxText.substr(0, end);
}

bool IsMailContact(const std::wstring& contact) {
    return !StartsWithIgnoringCase(contact, L"http://") && !StartsWithIgnoringCase(contact, L"https://");
}

std::wstring ContactBlockText(bool japanese, const std::wstring& webSite, const std::wstring& contact) {
    const bool mail = !contact.empty() && IsMailContact(contact);
    const std::wstring label = contact.empty() ? L"" : mail ? L"[E-Mail]" : japanese ? L"[連絡先]" : L"[Contact]";
    const std::wstring note = japanese && !contact.empty() ? kMailFilterNote : L"";
    return (webSite.empty() ? L"" : L"[WebSite]") + std::wstring(L"\r\n  ") + webSite + L"\r\n" + label +
           L"\r\n  " + (mail ? L"mailto:" : L"") + contact + L"\r\n\r\n" + note;
}
