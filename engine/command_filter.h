#pragma once
#include <chrono>
#include <string>

// Passes `text` through the CMDLINE command and replaces it by the command's output.
void RunCommandFilter(std::wstring& text);

// A command that runs longer is ended with every process it started, and the text stays as it was:
// without a bound a filter that never ends would freeze the program for good.
inline constexpr std::chrono::milliseconds kCommandTimeLimit{30000};

// Windows build only. Tests shorten the bound; returns the previous one.
std::chrono::milliseconds SetCommandTimeLimit(std::chrono::milliseconds limit);
