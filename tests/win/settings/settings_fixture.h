#pragma once
// Each settings test runs in a fresh temporary folder (the ini file's home) with the product's
// registry key deleted before and after, message boxes and balloons recorded instead of shown,
// and the process-wide settings state restored afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

#include "options.h"
#include "test_support.h"

namespace settings_test {

struct RecordedBox {
    std::wstring text;
    std::wstring caption;
    UINT type;
};

struct RecordedBalloon {
    std::wstring text;
    unsigned severity;
};

extern std::vector<RecordedBox> boxes;
extern std::vector<RecordedBalloon> balloons;

// Deletes the product key and the parents it leaves empty.
void DeleteProductKey();
bool ProductKeyExists();
// Writes a raw value under the product key, creating the key.
void SetRawValue(const wchar_t* name, DWORD type, const void* data, DWORD size);
void SetRawString(const wchar_t* name, const std::wstring& text);
void SetRawDword(const wchar_t* name, DWORD value);
// Type and bytes of a stored value; false when it is absent.
bool GetRawValue(const wchar_t* name, DWORD& type, std::vector<BYTE>& data);
std::wstring ReadIniText(const wchar_t* section, const wchar_t* key);
std::vector<BYTE> ReadFileBytes(const std::wstring& path);
// Compares two records key by key, naming each key that differs.
void ExpectSameOptions(const ProcessingOptionsRecord& actual, const ProcessingOptionsRecord& expected);

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    test_support::TemporaryFolder folder_;

private:
    ProcessingOptionsRecord savedOptions_;
    bool savedIniMode_ = false;
};

}  // namespace settings_test
