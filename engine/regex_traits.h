#pragma once
// The one regular-expression type of the program, shared by the replacement stage and its dialog.
#include <boost/regex.hpp>

// Windows folds case and classifies characters by the Windows locale; the host build, which only
// runs the tests, uses the library's default traits.
#ifdef _WIN32
using RegexTraits = boost::w32_regex_traits<wchar_t>;
#else
using RegexTraits = boost::regex_traits<wchar_t>;
#endif
using WideRegex = boost::basic_regex<wchar_t, RegexTraits>;
