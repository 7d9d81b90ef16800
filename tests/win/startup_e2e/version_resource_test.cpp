// The version Windows shows for Nuvela.exe (file properties, the About line, the installer's entry)
// must be the one version the build is made with, the same that names the release files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>
#include <windows.h>

#include "test_support.h"

namespace {

struct VersionNumbers {
    unsigned major = 0, minor = 0, patch = 0;
};

// The build's version, "major.minor.patch" as CMake's project() has it.
VersionNumbers BuildVersion() {
    VersionNumbers version;
    const int fields = std::sscanf(NUVELA_PROJECT_VERSION, "%u.%u.%u", &version.major, &version.minor, &version.patch);
    EXPECT_EQ(fields, 3) << NUVELA_PROJECT_VERSION;
    return version;
}

std::vector<BYTE> ReadVersionResource() {
    const std::wstring exe = test_support::NuvelaExe().wstring();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    EXPECT_NE(size, 0u) << "no version resource, error " << GetLastError();
    std::vector<BYTE> block(size);
    if (size && !GetFileVersionInfoW(exe.c_str(), 0, size, block.data())) {
        ADD_FAILURE() << "GetFileVersionInfoW failed, error " << GetLastError();
        block.clear();
    }
    return block;
}

TEST(VersionResourceTest, FixedNumbersAreTheBuildVersion) {
    std::vector<BYTE> block = ReadVersionResource();
    ASSERT_FALSE(block.empty());
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", &value, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    ASSERT_EQ(fixed->dwSignature, 0xFEEF04BDu);

    const VersionNumbers version = BuildVersion();
    const DWORD high = MAKELONG(version.minor, version.major);
    const DWORD low = MAKELONG(0, version.patch);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
}

TEST(VersionResourceTest, JapaneseStringTableCarriesTheBuildVersion) {
    std::vector<BYTE> block = ReadVersionResource();
    ASSERT_FALSE(block.empty());
    const VersionNumbers version = BuildVersion();
    const std::wstring expected = std::to_wstring(version.major) + L"." + std::to_wstring(version.minor) + L"." +
                                  std::to_wstring(version.patch) + L".0";
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion"}) {
        const std::wstring query = std::wstring(L"\\StringFileInfo\\041104b0\\") + name;
        void* value = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), query.c_str(), &value, &length)) << query;
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(value)), expected) << query;
    }
}

}  // namespace
