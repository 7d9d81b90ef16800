#include "regex_replace.h"

#include "language.h"
#include "options.h"
#include "pending_notification.h"
#include "regex_traits.h"

namespace {

boost::regex_constants::syntax_option_type RegexSyntaxFlags(const ProcessingOptionsRecord& o) {
    boost::regex_constants::syntax_option_type flags = boost::regex_constants::perl;
    if (o.REP_ICASE) flags |= boost::regex_constants::icase;
    return flags;
}

// Perl format strings (format_default), every match replaced.
boost::regex_constants::match_flag_type RegexMatchFlags(const ProcessingOptionsRecord& o) {
    boost::regex_constants::match_flag_type flags = boost::regex_constants::match_default;
    if (o.REP_SINGLELINE) flags |= boost::regex_constants::match_single_line;
    if (o.REP_NOTDOTNEWLINE) flags |= boost::regex_constants::match_not_dot_newline;
    return flags;
}

}  // namespace

void ApplyRegexReplacement(std::wstring& text) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    if (!o.REP_REP) return;
    // Bad patterns, the library's complexity and memory limits and exhausted memory all end here;
    // the text is only replaced once the whole result exists.
    try {
        const WideRegex expression(o.REP_BEFORE, RegexSyntaxFlags(o));
        std::wstring result = boost::regex_replace(text, expression, o.REP_AFTER, RegexMatchFlags(o));
        text.swap(result);
    } catch (...) {
        PendingNotification::Append(Tr(L"正規表現による文字列置換に失敗", L"regex error."), SeverityWarning);
    }
}

PatternCheck CheckRegexPattern(const std::wstring& pattern, std::string& message) {
    try {
        const WideRegex expression(pattern, boost::regex_constants::perl);
        return PatternCheck::Valid;
    } catch (const boost::regex_error& error) {
        message = error.what();
        return PatternCheck::SyntaxError;
    } catch (...) {
        return PatternCheck::Failed;
    }
}
