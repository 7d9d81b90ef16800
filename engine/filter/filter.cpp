#include "filter.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <utility>

#include "conversion.h"
#include "language.h"
#include "pending_notification.h"
#include "pipeline.h"
#include "utf8.h"

namespace {

constexpr std::string_view kProgram = "nuvela-filter: ";

std::string Quoted(std::wstring_view text) {
    std::string quoted(1, '"');
    quoted += EncodeUtf8(text);
    quoted += '"';
    return quoted;
}

std::optional<long long> ParseInteger(std::wstring_view text) {
    std::size_t i = text.starts_with(L'-') ? 1 : 0;
    if (i == text.size() || text.size() - i > 11) return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
        value = value * 10 + (text[i] - L'0');
    }
    return text.starts_with(L'-') ? -value : value;
}

bool IsNormalizationChoice(const OptionField& field) {
    return field.integer == &ProcessingOptionsRecord::CLN_NORMALIZE;
}

// The value in the form the settings keep it: flags 0 or 1, integers, bytes 0-255, texts as they are.
bool StoreSettingValue(ProcessingOptionsRecord& record, const OptionField& field, std::wstring_view value,
                       std::string& error) {
    const std::string name = EncodeUtf8(field.key);
    if (field.kind == OptionKind::Text) {
        if (field.text == &ProcessingOptionsRecord::MUL_BY_N && !IsValidMultiplier(value)) {
            error = name + " takes digits and \".\" only, not " + Quoted(value);
            return false;
        }
        StoreLoadedText(record, field, value);
        return true;
    }
    const std::optional<long long> number = ParseInteger(value);
    if (IsNormalizationChoice(field) && !(number && *number >= 0 && *number <= 2)) {
        error = name + " takes 0 (none), 1 (NFC) or 2 (NFKC), not " + Quoted(value);
        return false;
    }
    const bool fits = number && (field.kind == OptionKind::Flag   ? (*number == 0 || *number == 1)
                                 : field.kind == OptionKind::Byte ? (*number >= 0 && *number <= 255)
                                                                  : (*number >= INT32_MIN && *number <= INT32_MAX));
    if (!fits) {
        const char* form = field.kind == OptionKind::Flag ? "0 or 1" : field.kind == OptionKind::Byte ? "0 to 255" : "an integer";
        error = name + " takes " + form + ", not " + Quoted(value);
        return false;
    }
    StoreLoadedInteger(record, field, static_cast<int>(*number));
    return true;
}

std::filesystem::path PathFromArgument(std::wstring_view argument) {
    const std::string utf8 = EncodeUtf8(argument);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

FilterResult Usage(std::string message) {
    return {.status = kFilterUsage, .output = {}, .errors = std::string(kProgram) + message + "\n"};
}

// Japanese when NUVELA_LANG says "JA", as for the program itself; otherwise English.
void ChooseLanguage() {
    const char* lang = std::getenv("NUVELA_LANG");
    const std::string_view value = lang ? lang : "";
    const bool japanese = value.size() == 2 && (value[0] | 0x20) == 'j' && (value[1] | 0x20) == 'a';
    SetLanguage(japanese ? Language::Japanese : Language::English);
}

FilterResult FilterInput(const ProcessingOptionsRecord& options, const std::optional<std::wstring>& definitionFile,
                         std::string input) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::string_view bytes = input;
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    std::wstring text;
    std::size_t errorOffset = 0;
    if (!DecodeUtf8(bytes, text, errorOffset))
        return Usage("invalid UTF-8 in the input at byte " + std::to_string(errorOffset));
    std::string().swap(input);  // the processing needs its room more than the bytes
    // ProcessText ends at the first NUL, so a NUL would silently cut the text short.
    if (const std::size_t nul = text.find(L'\0'); nul != std::wstring::npos)
        return Usage("the input contains a NUL character (text unit " + std::to_string(nul) + ")");

    ConversionSet.clear();
    if (definitionFile && !LoadConversionFile(PathFromArgument(*definitionFile)))
        return Usage("cannot load the conversion file " + Quoted(*definitionFile));

    ProcessingOptions = options;
    PendingNotification::Clear();
    FilterResult result;
    ProcessText(ProcessingOptions.StrConvID.c_str(), text.c_str(), result.output);
    if (!PendingNotification::Text().empty()) result.errors = EncodeUtf8(PendingNotification::Text()) + "\n";
    PendingNotification::Clear();
    return result;
}

}  // namespace

bool ApplySetting(ProcessingOptionsRecord& record, std::wstring_view assignment, std::string& error) {
    const std::size_t equals = assignment.find(L'=');
    if (equals == std::wstring_view::npos) {
        error = "--set needs KEY=VALUE, not " + Quoted(assignment);
        return false;
    }
    const std::wstring_view key = assignment.substr(0, equals);
    const OptionField* field = FindOptionField(key);
    if (!field) {
        error = "unknown key " + Quoted(key);
        return false;
    }
    return StoreSettingValue(record, *field, assignment.substr(equals + 1), error);
}

std::wstring FilterUsage() {
    std::wstring text =
        L"Usage: nuvela-filter [--def PATH] [--set KEY=VALUE]... < input > output\n"
        L"Runs Nuvela's text processing over standard input (UTF-8) and writes the result in UTF-8.\n"
        L"  --def PATH       load the conversions of this Convert.def; StrConvID selects one\n"
        L"  --set KEY=VALUE  set one option as the settings store it; others keep their defaults\n"
        L"  --help           show this text\n"
        L"Lone surrogates in the result are written as U+FFFD. Exit status: 0 done (stage messages\n"
        L"on standard error), 1 out of memory, 2 bad arguments or invalid input.\n"
        L"Keys (default in brackets):\n";
    for (const OptionField& field : OptionFields()) {
        text += L"  " + std::wstring(field.key) + L"  ";
        switch (field.kind) {
        case OptionKind::Flag: text += L"0|1"; break;
        case OptionKind::Integer: text += IsNormalizationChoice(field) ? L"0|1|2 (none, NFC, NFKC)" : L"integer"; break;
        case OptionKind::Byte: text += L"0-255"; break;
        case OptionKind::Text: text += L"text"; break;
        }
        text += field.kind == OptionKind::Text ? L" [\"" + std::wstring(field.defaultText) + L"\"]\n"
                                               : L" [" + std::to_wstring(field.defaultInteger) + L"]\n";
    }
    return text;
}

FilterResult RunFilter(const std::vector<std::wstring>& arguments, std::string input) {
    ChooseLanguage();
    ProcessingOptionsRecord options;
    std::optional<std::wstring> definitionFile;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"--help" || argument == L"-h") return {.status = kFilterDone, .output = FilterUsage(), .errors = {}};
        const bool takesValue = argument == L"--def" || argument == L"--set";
        if (!takesValue) return Usage("unknown argument " + Quoted(argument) + " (see --help)");
        if (i + 1 == arguments.size()) return Usage(EncodeUtf8(argument) + " needs a value");
        const std::wstring& value = arguments[++i];
        std::string error;
        if (argument == L"--def") definitionFile = value;
        else if (!ApplySetting(options, value, error)) return Usage(error);
    }

    // Decoding makes the text's largest block, so it runs inside the out-of-memory guard as well.
    try {
        return FilterInput(options, definitionFile, std::move(input));
    } catch (const std::bad_alloc&) {
        return {.status = kFilterFailed, .output = {}, .errors = std::string(kProgram) + "out of memory\n"};
    }
}
