#pragma once
#include <string>

// Passes `text` through the CMDLINE command and replaces it by the command's output.
void RunCommandFilter(std::wstring& text);
