#pragma once
// The one regular-expression type of the program, shared by the replacement stage and its dialog.
#ifdef _WIN32
// Boost switches its Windows-locale traits off for every GCC on Windows, after an old note about
// bad code from <windows.h>. In this version they are header-only and declare the few API calls
// they use themselves, so they are switched back on; the flag only decides whether they are included.
#include <boost/regex/config.hpp>
#undef BOOST_REGEX_NO_W32
#endif
#include <boost/regex.hpp>

// Windows folds case and classifies characters by the Windows locale; the host build, which only
// runs the tests, uses the library's default traits.
#ifdef _WIN32
using RegexTraits = boost::w32_regex_traits<wchar_t>;
#else
using RegexTraits = boost::regex_traits<wchar_t>;
#endif
using WideRegex = boost::basic_regex<wchar_t, RegexTraits>;
