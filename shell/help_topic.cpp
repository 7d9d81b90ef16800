#include "help_topic.h"

#include <string>

#include "scoped_win.h"
#include "windows_system.h"

namespace {

constexpr UINT kDisplayTopic = 0;  // HH_DISPLAY_TOPIC
constexpr const wchar_t* kHelpFile = L".\\Nuvela.chm";
constexpr const wchar_t* kHtmlHelpServerKey = L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr DWORD kMaxPath = 260;  // 259 characters and the terminator
constexpr WORD kHtmlHelpOrdinal = 15;  // HtmlHelpW

// The library file registered for the HTML Help control, expanded; empty when there is none.
std::wstring RegisteredHtmlHelpPath() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kHtmlHelpServerKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return {};
    const UniqueKey key(opened);
    wchar_t value[kMaxPath] = {};
    DWORD type = 0;
    DWORD size = sizeof value - sizeof value[0];  // the last character stays the terminator
    if (RegQueryValueExW(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
        return {};
    if (type == REG_SZ) return value;
    if (type != REG_EXPAND_SZ) return {};
    wchar_t expanded[kMaxPath] = {};
    const DWORD length = ExpandEnvironmentStringsW(value, expanded, kMaxPath);
    return length > 0 && length <= kMaxPath ? std::wstring(expanded) : std::wstring();
}

// A bare name would be searched for along the path; the system-directory load covers that case.
bool IsFullPath(const std::wstring& path) {
    return (path.size() > 2 && path[1] == L':' && path[2] == L'\\') || path.starts_with(L"\\\\");
}

// Stays loaded for the rest of the run once the function was found.
HtmlHelpFunction LoadSystemHtmlHelp() {
    const std::wstring registered = RegisteredHtmlHelpPath();
    UniqueModule library(IsFullPath(registered) ? LoadLibraryW(registered.c_str()) : nullptr);
    if (!library) library.reset(LoadSystemLibrary(L"hhctrl.ocx"));
    if (!library) return nullptr;
    const auto function = reinterpret_cast<HtmlHelpFunction>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), MAKEINTRESOURCEA(kHtmlHelpOrdinal))));
    if (function) library.release();
    return function;
}

HtmlHelpLoader loadHtmlHelp = LoadSystemHtmlHelp;
HtmlHelpFunction htmlHelp = nullptr;
bool htmlHelpMissing = false;  // a failed load is not tried again in this run

HtmlHelpFunction LoadedHtmlHelp() {
    if (!htmlHelp && !htmlHelpMissing) {
        htmlHelp = loadHtmlHelp();
        htmlHelpMissing = !htmlHelp;
    }
    return htmlHelp;
}

}  // namespace

bool OpenHelpTopic(HWND owner, const wchar_t* topic) {
    const HtmlHelpFunction function = LoadedHtmlHelp();
    if (!function) return false;
    const std::wstring path = topic ? std::wstring(kHelpFile) + L"::/_RESOURCE/" + topic : std::wstring(kHelpFile);
    return function(owner, path.c_str(), kDisplayTopic, 0) != nullptr;
}

HtmlHelpLoader SetHtmlHelpLoader(HtmlHelpLoader loader) {
    const HtmlHelpLoader previous = loadHtmlHelp;
    loadHtmlHelp = loader ? loader : LoadSystemHtmlHelp;
    htmlHelp = nullptr;
    htmlHelpMissing = false;
    return previous;
}
