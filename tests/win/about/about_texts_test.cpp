#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include <windows.h>

#include "about_texts.h"
#include "test_support.h"

namespace about_test {
namespace {

TEST(VersionNumberText, MinorAndBuildSideBySideAndTheRevisionWithTwoDigits) {
    const struct {
        const wchar_t* fileVersion;
        const wchar_t* expected;
    } cases[] = {
        {L"1.5.6.2", L"ver.1.56.02"},
        {L"1.0.0.0", L"ver.1.00.00"},
        {L"2.10.3.15", L"ver.2.103.15"},
        {L"1.5.6.123", L"ver.1.56.123"},
        {L"3.1", L"ver.3.10.00"},  // what is missing counts as 0
        {L"", L"ver.0.00.00"},
        {L"beta", L"ver.0.00.00"},
    };
    for (const auto& c : cases) EXPECT_EQ(VersionNumberText(c.fileVersion), c.expected) << c.fileVersion;
}

TEST(SpecialBuildText, BetaAndAlphaBecomeGreekInJapaneseOnly) {
    const struct {
        const wchar_t* special;
        bool japanese;
        const wchar_t* expected;
    } cases[] = {
        {L"beta", true, L"β"},     {L"alpha", true, L"α"},     {L"beta", false, L"beta"},
        {L"alpha", false, L"alpha"}, {L"Beta", true, L"Beta"}, {L"beta2", true, L"beta2"},
        {L" beta", true, L" beta"}, {L"", true, L""},          {L"rc1", false, L"rc1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SpecialBuildText(c.special, c.japanese), c.expected) << c.special << L" " << c.japanese;
}

TEST(VersionBoxText, VersionLineThenTheLinesThatExist) {
    const struct {
        VersionStrings strings;
        const wchar_t* product;
        bool japanese;
        const wchar_t* expected;
    } cases[] = {
        {{L"1.5.6.2", L"Cleans text", L"beta", L"(C) Maker", L""}, L"ヌベラ", true,
         L"ヌベラ ver.1.56.02 β\r\nCleans text\r\n(C) Maker"},
        {{L"1.5.6.2", L"Cleans text", L"beta", L"(C) Maker", L""}, L"Nuvela", false,
         L"Nuvela ver.1.56.02 beta\r\nCleans text\r\n(C) Maker"},
        {{L"1.0.0.0", L"", L"", L"(C) Maker", L"private"}, L"Nuvela", false, L"Nuvela ver.1.00.00\r\n(C) Maker\r\nprivate"},
        {{L"1.0.0.0", L"", L"", L"", L""}, L"Nuvela", false, L"Nuvela ver.1.00.00"},
    };
    for (const auto& c : cases) {
        const std::wstring text = VersionBoxText(c.strings, c.product, c.japanese);
        EXPECT_EQ(text, c.expected);
        EXPECT_EQ(VersionLineOf(text), text.substr(0, text.find(L"\r\n")));
    }
}

TEST(VersionLineOf, EndsAtTheFirstControlCharacter) {
    const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"Nuvela ver.1.00.00\r\nrest", L"Nuvela ver.1.00.00"},
        {L"a\tb", L"a"},
        {L"one line", L"one line"},
        {L"\nfirst", L""},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(VersionLineOf(c.text), c.expected) << c.text;
}

TEST(ContactBlockText, LabelsPrefixAndNoteByKindOfContactAndLanguage) {
    const std::wstring note =
        L"　メールフィルタやサーバによるドメイン着信拒否の対象になっていることがあります。質問しているのに返信がなかなか"
        L"届かない場合は、ごみ箱や迷惑メールフォルダを確認するか、フィルタ作成者・サーバ管理者にご相談下さい。";
    const std::wstring site = L"https://example.org/";
    const struct {
        bool japanese;
        std::wstring webSite;
        std::wstring contact;
        std::wstring expected;
    } cases[] = {
        {false, L"", L"", L"\r\n  \r\n\r\n  \r\n\r\n"},
        {true, L"", L"", L"\r\n  \r\n\r\n  \r\n\r\n"},
        {false, site, L"", L"[WebSite]\r\n  " + site + L"\r\n\r\n  \r\n\r\n"},
        {false, site, L"help@example.org", L"[WebSite]\r\n  " + site + L"\r\n[E-Mail]\r\n  mailto:help@example.org\r\n\r\n"},
        {true, site, L"help@example.org",
         L"[WebSite]\r\n  " + site + L"\r\n[E-Mail]\r\n  mailto:help@example.org\r\n\r\n" + note},
        {false, L"", L"http://example.org/contact", L"\r\n  \r\n[Contact]\r\n  http://example.org/contact\r\n\r\n"},
        {true, L"", L"http://example.org/contact", L"\r\n  \r\n[連絡先]\r\n  http://example.org/contact\r\n\r\n" + note},
        {false, L"", L"HTTPS://EXAMPLE.ORG/C", L"\r\n  \r\n[Contact]\r\n  HTTPS://EXAMPLE.ORG/C\r\n\r\n"},
        {true, L"", L"HTTPS://EXAMPLE.ORG/C", L"\r\n  \r\n[連絡先]\r\n  HTTPS://EXAMPLE.ORG/C\r\n\r\n" + note},
        {false, L"", L"Http://example.org", L"\r\n  \r\n[Contact]\r\n  Http://example.org\r\n\r\n"},
        {false, L"", L"httpx://example.org", L"\r\n  \r\n[E-Mail]\r\n  mailto:httpx://example.org\r\n\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.contact + L" " + std::to_wstring(c.japanese));
        EXPECT_EQ(ContactBlockText(c.japanese, c.webSite, c.contact), c.expected);
    }
}

TEST(ReadVersionStrings, ReadsTheProgramsOwnBlockAndNothingFromAFileWithoutOne) {
    const std::optional<VersionStrings> own = ReadVersionStrings(test_support::NuvelaExe().wstring());
    ASSERT_TRUE(own.has_value());
    // The string block and the fixed record are written from the same version number.
    DWORD handle = 0;
    const std::wstring exe = test_support::NuvelaExe().wstring();
    std::vector<BYTE> block(GetFileVersionInfoSizeW(exe.c_str(), &handle));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    const std::wstring fromFixed = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                   std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                   std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
                                   std::to_wstring(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(own->fileVersion, fromFixed);
    EXPECT_FALSE(own->legalCopyright.empty());

    test_support::TemporaryFolder folder;
    std::ofstream(folder.path() / L"plain.txt") << "no resources here";
    EXPECT_FALSE(ReadVersionStrings((folder.path() / L"plain.txt").wstring()).has_value());
    EXPECT_FALSE(ReadVersionStrings((folder.path() / L"missing.exe").wstring()).has_value());
}

}  // namespace
}  // namespace about_test
