#pragma once
// The program's shortcut in the current user's Startup folder, named after AppDisplayName, so the
// shortcut of one language is not seen by the other.
#include <string>

// "<Startup folder>\<AppDisplayName>.lnk"; empty when the folder cannot be found.
std::wstring StartupShortcutPath();

bool StartupShortcutExists(const std::wstring& path);
// A shell link to `target` saved at `path`; false on any failure. COM must be initialised.
bool CreateStartupShortcut(const std::wstring& path, const std::wstring& target);
bool DeleteStartupShortcut(const std::wstring& path);

// Where the Startup folder is: the user's own unless a test puts in another. Null restores the
// user's; returns the lookup that was in place.
using StartupFolderLookup = std::wstring (*)();
StartupFolderLookup SetStartupFolderLookup(StartupFolderLookup lookup);
