#pragma once
// The texts of the About box that come from the program's version resource and the maker's
// addresses, apart from the dialog so they can be checked on their own.
#include <optional>
#include <string>

// The strings of the version resource's block "041104b0"; a missing one is empty.
struct VersionStrings {
    std::wstring fileVersion;
    std::wstring fileDescription;
    std::wstring specialBuild;
    std::wstring legalCopyright;
    std::wstring privateBuild;
};

// None when the file has no version resource that can be read.
std::optional<VersionStrings> ReadVersionStrings(const std::wstring& file);

// "ver.1.56.02" for "1.5.6.2": minor and build side by side, the revision with two digits.
std::wstring VersionNumberText(const std::wstring& fileVersion);
// The special build as shown: in Japanese "beta" and "alpha" become β and α.
std::wstring SpecialBuildText(const std::wstring& specialBuild, bool japanese);
// The version box: the version line first (product, version, special build), then the
// description, the copyright and the private build, each on a line of its own when there is one.
std::wstring VersionBoxText(const VersionStrings& strings, const std::wstring& productName, bool japanese);
// The version box's first line, the part before its first control character.
std::wstring VersionLineOf(const std::wstring& versionBoxText);

// True for an e-mail address: a contact that starts neither with http:// nor https:// (any case).
bool IsMailContact(const std::wstring& contact);
// The contact block: web site, contact (an e-mail address gets mailto:), and in Japanese the note
// on mail filters; an empty address leaves its lines empty.
std::wstring ContactBlockText(bool japanese, const std::wstring& webSite, const std::wstring& contact);
