#pragma once
// Shared by the engine tests that run texts through the whole pipeline.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <string_view>

#include "options.h"
#include "pending_notification.h"
#include "pipeline.h"
#include "utf8.h"

// UTF-16 units of a UTF-8 literal, so samples with emoji and CJK read as they look in both builds.
inline std::wstring U(std::u8string_view text) {
    std::wstring units;
    std::size_t errorOffset = 0;
    EXPECT_TRUE(DecodeUtf8(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), units, errorOffset));
    return units;
}

// Each test starts from the default options and an empty notification, and leaves them so.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        ProcessingOptions = {};
        PendingNotification::Clear();
    }

    static std::wstring Run(const std::wstring& input, const wchar_t* conversion = L"") {
        std::wstring output = L"stale";
        ProcessText(conversion, input.c_str(), output);
        return output;
    }
};

// One row of a table-driven pipeline case: options to set, input, expected output.
struct OptionCase {
    const char* name;
    std::function<void(ProcessingOptionsRecord&)> set;
    std::wstring input;
    std::wstring expected;
};
