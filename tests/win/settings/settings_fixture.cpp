#include "settings_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app_state.h"
#include "language.h"
#include "pending_notification.h"
#include "registry.h"
#include "settings.h"

namespace settings_test {

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
    recorder_ = std::make_unique<test_support::Recorder>();
    PendingNotification::Clear();
}

void SettingsTest::TearDown() {
    recorder_.reset();
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
