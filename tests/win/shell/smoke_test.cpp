#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace {

// "/X" as the only instance ends at once, exit code 0, and touches no settings.
TEST(Smoke, SlashXAsOnlyInstanceEndsAtOnceAndCreatesNoIni) {
    test_support::TemporaryFolder folder;
    const auto exe = test_support::NuvelaExe();
    ASSERT_TRUE(std::filesystem::exists(exe)) << exe;
    const bool iniBesideExeBefore = std::filesystem::exists(exe.parent_path() / L"Nuvela.ini");

    const auto result = test_support::RunProcess(L"\"" + exe.wstring() + L"\" /X", folder.path());
    ASSERT_TRUE(result.started);
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / L"Nuvela.ini"));
    EXPECT_EQ(std::filesystem::exists(exe.parent_path() / L"Nuvela.ini"), iniBesideExeBefore);
}

// The lower-case option is the same option.
TEST(Smoke, OptionsAreComparedWithoutCase) {
    test_support::TemporaryFolder folder;
    const auto result =
        test_support::RunProcess(L"\"" + test_support::NuvelaExe().wstring() + L"\" /x", folder.path());
    ASSERT_TRUE(result.finished);
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / L"Nuvela.ini"));
}

}  // namespace
