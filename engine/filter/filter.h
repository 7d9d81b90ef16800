#pragma once
// nuvela-filter: ProcessText over a UTF-8 text, with options given on the command line.
#include <string>
#include <string_view>
#include <vector>

#include "options.h"

// Exit statuses: 0 done (stage messages, if any, on standard error), 1 the text could not be
// processed (out of memory), 2 a bad command line, an unloadable definition file or invalid input.
enum FilterStatus { kFilterDone = 0, kFilterFailed = 1, kFilterUsage = 2 };

struct FilterResult {
    int status = kFilterDone;
    std::wstring output;  // written to standard output in UTF-8 only when status is kFilterDone
    std::string errors;  // written to standard error
};

// Runs the whole program on its arguments (without the program name, as UTF-16) and its input,
// whose room is given back once it is decoded.
FilterResult RunFilter(const std::vector<std::wstring>& arguments, std::string input);

// Stores VALUE as the settings would store it under KEY; false with a one-line reason when the
// key is unknown or the value has the wrong form for it.
[[nodiscard]] bool ApplySetting(ProcessingOptionsRecord& record, std::wstring_view assignment, std::string& error);

std::wstring FilterUsage();
