#include "registry.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "message_box.h"
#include "settings.h"

Language RegistryMessageLanguage = Language::Japanese;

void UseEnglishRegistryMessages() { RegistryMessageLanguage = Language::English; }

namespace {

constexpr wchar_t kReportRequestJa[] =
    L"\nこのメッセージが表示されたら、現在編集している/していたダイアログの名前を、メッセージの内容と共に正確に作者まで報告して下さい。";

void ShowMisuseWarning(std::wstring_view japanese, const wchar_t* english) {
    const std::wstring text = RegistryMessageLanguage == Language::Japanese
                                  ? std::wstring(japanese) + kReportRequestJa
                                  : std::wstring(english);
    ShowMessageBox(nullptr, text, L"Registory Class", MB_OK | MB_ICONWARNING);
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Whole-text decimal with an optional sign; a sign alone is 0, values beyond 32 bits saturate.
std::optional<int> ParseNumericText(std::wstring_view text) {
    if (text.empty() || !(text[0] == L'+' || text[0] == L'-' || IsDigit(text[0]))) return std::nullopt;
    const bool negative = text[0] == L'-';
    const std::size_t first = IsDigit(text[0]) ? 0 : 1;
    std::int64_t magnitude = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return std::nullopt;
        if (magnitude <= 2147483648LL) magnitude = magnitude * 10 + (text[i] - L'0');
    }
    if (negative) return magnitude >= 2147483648LL ? INT32_MIN : static_cast<int>(-magnitude);
    return magnitude > INT32_MAX ? INT32_MAX : static_cast<int>(magnitude);
}

std::uint32_t LittleEndian32(const BYTE* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::uint32_t BigEndian32(const BYTE* bytes) {
    return (static_cast<std::uint32_t>(bytes[0]) << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
}

}  // namespace

REGW::~REGW() {
    if (!key_) return;
    key_.reset();
    ShowMisuseWarning(L"レジストリを自動クローズしました。", L"An error has occurred in REGW::~REGW().");
}

bool REGW::OpenKey(int flags) {
    if (key_) {
        key_.reset();
        ShowMisuseWarning(L"レジストリキーを多重オープンしようとしたので保護しました(REGW::OpenKey())。",
                          L"An error has occurred in REGW::OpenKey().");
    }
    HKEY key = nullptr;
    const REGSAM access = (flags & kReadOnly) ? KEY_READ : KEY_ALL_ACCESS;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, access, &key) != ERROR_SUCCESS) {
        key = nullptr;
        if (!(flags & kCreate) || RegCreateKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, nullptr,
                                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                                                  nullptr) != ERROR_SUCCESS)
            key = nullptr;
    }
    key_.reset(key);
    return IsOpen();
}

bool REGW::CloseKey() {
    if (!key_) {
        ShowMisuseWarning(L"レジストリを多重クローズしようとしたので保護しました(REGW::CloseKey)。",
                          L"An error has occurred in REGW::CloseKey().");
        return false;
    }
    return RegCloseKey(key_.release()) == ERROR_SUCCESS;
}

// Whatever the stored type and size, the buffer ends terminated within its units: data that
// fills the buffer without a terminator counts as too long and reads as the empty text.
bool REGW::ReadStringW(const wchar_t* name, wchar_t* buffer) {
    if (!name || !buffer) return false;
    buffer[0] = L'\0';
    if (!key_) {
        ShowMisuseWarning(L"開かれていないキーを対象に ReadStringW が行われようとしたので保護します。",
                          L"An error has occurred in ReadStringW.");
        return false;
    }
    std::memset(buffer, 0, kRegistryTextUnits * sizeof(wchar_t));
    DWORD size = kRegistryTextUnits * sizeof(wchar_t);
    if (RegQueryValueExW(key_.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        buffer[0] = L'\0';  // the contents are undefined after a value that did not fit
        return false;
    }
    const DWORD units = (size + 1) / sizeof(wchar_t);  // an odd last byte makes a unit of its own
    if (units < kRegistryTextUnits) {
        buffer[units] = L'\0';
        return true;
    }
    if (buffer[kRegistryTextUnits - 1] == L'\0') return true;
    buffer[0] = L'\0';
    return false;
}

bool REGW::ReadWholeStringW(const wchar_t* name, std::wstring& text) {
    text.clear();
    if (!key_) {
        ShowMisuseWarning(L"開かれていないキーを対象に ReadWholeStringW が行われようとしたので保護します。",
                          L"An error has occurred in ReadWholeStringW.");
        return false;
    }
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key_.get(), name, nullptr, nullptr, nullptr, &size);
    // The value may grow between the two calls: then it is asked for again.
    for (int attempt = 0; status == ERROR_SUCCESS || status == ERROR_MORE_DATA; ++attempt) {
        if (attempt == 3) return false;
        std::vector<wchar_t> units(size / sizeof(wchar_t) + 2, L'\0');  // whole units, and a terminator
        size = static_cast<DWORD>((units.size() - 1) * sizeof(wchar_t));
        status = RegQueryValueExW(key_.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(units.data()), &size);
        if (status == ERROR_SUCCESS) {
            text.assign(units.data());
            return true;
        }
    }
    return false;
}

int REGW::ReadIntegerW(const wchar_t* name, int defaultValue) {
    if (!key_) {
        ShowMisuseWarning(L"開かれていないキーを対象に ReadIntegerW が行われようとしたので保護します。",
                          L"An error has occurred in ReadIntegerW.");
        return defaultValue;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key_.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return defaultValue;
    // Zero-filled whole units beyond the data: a text without terminator still ends inside, and
    // a short binary value reads its missing bytes as zero.
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 3, L'\0');
    DWORD readSize = size;
    if (RegQueryValueExW(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &readSize) !=
            ERROR_SUCCESS ||
        readSize > size)
        return defaultValue;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(data.data());
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
    case REG_MULTI_SZ: {
        const std::wstring_view text(data.data());
        return ParseNumericText(text).value_or(defaultValue);
    }
    case REG_DWORD:
    case REG_BINARY:
    case REG_QWORD: return static_cast<int>(LittleEndian32(bytes));
    case REG_DWORD_BIG_ENDIAN: return static_cast<int>(BigEndian32(bytes));
    default: return defaultValue;
    }
}

bool REGW::WriteStringW(const wchar_t* name, const std::wstring& text) {
    if (!key_) {
        ShowMisuseWarning(L"開かれていないキーを対象に WriteStringW が行われようとしたので保護します。",
                          L"An error has occurred in WriteStringW.");
        return false;
    }
    const DWORD bytes = static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t));  // the terminator too
    return RegSetValueExW(key_.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), bytes) ==
           ERROR_SUCCESS;
}

bool REGW::WriteIntegerW(const wchar_t* name, int value) {
    if (!key_) {
        ShowMisuseWarning(L"開かれていないキーを対象に WriteIntegerW が行われようとしたので保護します。",
                          L"An error has occurred in WriteIntegerW.");
        return false;
    }
    const DWORD dword = static_cast<DWORD>(value);
    return RegSetValueExW(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dword), sizeof dword) ==
           ERROR_SUCCESS;
}
