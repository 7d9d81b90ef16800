#include "settings_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app_state.h"
#include "language.h"
#include "message_box.h"
#include "pending_notification.h"
#include "registry.h"
#include "scoped_win.h"
#include "settings.h"

namespace settings_test {

std::vector<RecordedBox> boxes;
std::vector<RecordedBalloon> balloons;

namespace {

int RecordBox(HWND, const std::wstring& text, const std::wstring& caption, UINT type) {
    boxes.push_back({text, caption, type});
    return IDOK;
}

void RecordBalloon(const std::wstring& text, unsigned severity) {
    balloons.push_back({text, severity});
}

bool IsEmptyKey(const wchar_t* path) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    const UniqueKey key(opened);
    DWORD subkeys = 0, values = 0;
    return RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                            nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subkeys == 0 && values == 0;
}

}  // namespace

void DeleteProductKey() {
    RegDeleteTreeW(HKEY_CURRENT_USER, kRegistrySubkey);
    RegDeleteKeyW(HKEY_CURRENT_USER, kRegistrySubkey);
    for (const wchar_t* parent : {L"Software\\Tavernel\\Nuvela", L"Software\\Tavernel"})
        if (IsEmptyKey(parent)) RegDeleteKeyW(HKEY_CURRENT_USER, parent);
}

bool ProductKeyExists() {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

void SetRawValue(const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              nullptr),
              ERROR_SUCCESS);
    const UniqueKey key(created);
    ASSERT_EQ(RegSetValueExW(key.get(), name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
}

void SetRawString(const wchar_t* name, const std::wstring& text) {
    SetRawValue(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void SetRawDword(const wchar_t* name, DWORD value) { SetRawValue(name, REG_DWORD, &value, sizeof value); }

bool GetRawValue(const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    const UniqueKey key(opened);
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
    data.assign(size, 0);
    return RegQueryValueExW(key.get(), name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
}

std::wstring ReadIniText(const wchar_t* section, const wchar_t* key) {
    std::vector<wchar_t> buffer(8192);
    GetPrivateProfileStringW(section, key, L"<absent>", buffer.data(), static_cast<DWORD>(buffer.size()),
                             kIniFileName);
    return buffer.data();
}

std::vector<BYTE> ReadFileBytes(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void ExpectSameOptions(const ProcessingOptionsRecord& actual, const ProcessingOptionsRecord& expected) {
    for (const OptionField& field : OptionFields()) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(field.key)));
        if (field.kind == OptionKind::Text)
            EXPECT_EQ(actual.*field.text, expected.*field.text);
        else
            EXPECT_EQ(OptionIntegerValue(actual, field), OptionIntegerValue(expected, field));
    }
    EXPECT_TRUE(actual == expected);
}

void SettingsTest::SetUp() {
    DeleteProductKey();
    ASSERT_FALSE(ProductKeyExists());
    savedOptions_ = ProcessingOptions;
    savedIniMode_ = IniMode;
    ProcessingOptions = {};
    IniMode = false;
    SetLanguage(Language::Japanese);
    RegistryMessageLanguage = Language::Japanese;
    MainWindow = nullptr;
    boxes.clear();
    balloons.clear();
    SetMessageBoxFunction(RecordBox);
    PendingNotification::SetShowFunction(RecordBalloon);
    PendingNotification::Clear();
}

void SettingsTest::TearDown() {
    SetMessageBoxFunction(nullptr);
    PendingNotification::SetShowFunction(nullptr);
    PendingNotification::Clear();
    ProcessingOptions = savedOptions_;
    IniMode = savedIniMode_;
    SetLanguage(Language::Japanese);
    RegistryMessageLanguage = Language::Japanese;
    MainWindow = nullptr;
    DeleteProductKey();
    EXPECT_FALSE(ProductKeyExists());
}

}  // namespace settings_test
