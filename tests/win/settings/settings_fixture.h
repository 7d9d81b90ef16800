#pragma once
// Each settings test runs in a fresh temporary folder (the ini file's home) with the product's
// registry key deleted before and after, message boxes and balloons recorded instead of shown,
// and the process-wide settings state restored afterwards.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include "options.h"
#include "recorder.h"
#include "test_support.h"

namespace settings_test {

using test_support::DeleteProductKey;
using test_support::GetRawValue;
using test_support::ProductKeyExists;
using test_support::SetRawDword;
using test_support::SetRawString;
using test_support::SetRawValue;

// A key of the test's ini file in any section; "<missing>" when it is not there.
inline std::wstring ReadIniText(const wchar_t* section, const wchar_t* key) {
    return test_support::IniText(key, test_support::kCurrentIni, section);
}
std::vector<BYTE> ReadFileBytes(const std::wstring& path);
// Compares two records key by key, naming each key that differs.
void ExpectSameOptions(const ProcessingOptionsRecord& actual, const ProcessingOptionsRecord& expected);

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    test_support::TemporaryFolder folder_;
    std::unique_ptr<test_support::Recorder> recorder_;

private:
    ProcessingOptionsRecord savedOptions_;
    bool savedIniMode_ = false;
};

}  // namespace settings_test
