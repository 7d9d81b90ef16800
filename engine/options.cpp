#include "options.h"

#include <algorithm>
#include <array>

ProcessingOptionsRecord ProcessingOptions;

namespace {

using R = ProcessingOptionsRecord;

constexpr OptionField Flag(const wchar_t* key, bool R::*member, int def) {
    return {.key = key, .kind = OptionKind::Flag, .flag = member, .defaultInteger = def};
}
constexpr OptionField Integer(const wchar_t* key, int R::*member, int def) {
    return {.key = key, .kind = OptionKind::Integer, .integer = member, .defaultInteger = def};
}
constexpr OptionField Byte(const wchar_t* key, std::uint8_t R::*member, int def) {
    return {.key = key, .kind = OptionKind::Byte, .byte = member, .defaultInteger = def};
}
constexpr OptionField Text(const wchar_t* key, std::wstring R::*member, const wchar_t* def) {
    return {.key = key, .kind = OptionKind::Text, .text = member, .defaultText = def};
}

constexpr OptionField kFields[] = {
    Integer(L"FileFolderCopy", &R::FileFolderCopy, 0),
    Flag(L"CBWatchEnabled", &R::CBWatchEnabled, 1),
    Flag(L"MultiDiv", &R::MultiDiv, 0),
    Integer(L"MultiDivSec", &R::MultiDivSec, 0),
    Integer(L"Delay1Sec", &R::Delay1Sec, 0),
    Text(L"StrConvID", &R::StrConvID, L""),
    Flag(L"DelSpace", &R::DelSpace, 0),
    Flag(L"DelEnter", &R::DelEnter, 0),
    Flag(L"DelTab", &R::DelTab, 0),
    Flag(L"SK1_SHIFT", &R::SK1_SHIFT, 0),
    Flag(L"SK1_CTRL", &R::SK1_CTRL, 0),
    Flag(L"SK1_ALT", &R::SK1_ALT, 0),
    Byte(L"SK1_VKEY", &R::SK1_VKEY, 0),
    Flag(L"SK2_SHIFT", &R::SK2_SHIFT, 0),
    Flag(L"SK2_CTRL", &R::SK2_CTRL, 0),
    Flag(L"SK2_ALT", &R::SK2_ALT, 0),
    Byte(L"SK2_VKEY", &R::SK2_VKEY, 0),
    Flag(L"REP_REP", &R::REP_REP, 0),
    Text(L"REP_BEFORE", &R::REP_BEFORE, L""),
    Text(L"REP_AFTER", &R::REP_AFTER, L""),
    Flag(L"REP_ICASE", &R::REP_ICASE, 0),
    Flag(L"REP_SINGLELINE", &R::REP_SINGLELINE, 0),
    Flag(L"REP_NOTDOTNEWLINE", &R::REP_NOTDOTNEWLINE, 0),
    Flag(L"FEL_TRIMLEFT", &R::FEL_TRIMLEFT, 0),
    Flag(L"FEL_TRIMLEFT_FPSPACE", &R::FEL_TRIMLEFT_FPSPACE, 0),
    Flag(L"FEL_TRIMLEFT_TAB", &R::FEL_TRIMLEFT_TAB, 0),
    Flag(L"FEL_TRIMLEFT_ZERO", &R::FEL_TRIMLEFT_ZERO, 0),
    Flag(L"FEL_TRIMLEFT_FPZERO", &R::FEL_TRIMLEFT_FPZERO, 0),
    Flag(L"FEL_TRIMRIGHT", &R::FEL_TRIMRIGHT, 0),
    Flag(L"FEL_TRIMRIGHT_FPSPACE", &R::FEL_TRIMRIGHT_FPSPACE, 0),
    Flag(L"FEL_TRIMRIGHT_TAB", &R::FEL_TRIMRIGHT_TAB, 0),
    Flag(L"FEL_SORTASC", &R::FEL_SORTASC, 0),
    Flag(L"FEL_SORTDSC", &R::FEL_SORTDSC, 0),
    Flag(L"FEL_UNIQ", &R::FEL_UNIQ, 0),
    Flag(L"FEL_DELBLANKLINE", &R::FEL_DELBLANKLINE, 0),
    Flag(L"TAB4SPACE", &R::TAB4SPACE, 0),
    Flag(L"TAB8SPACE", &R::TAB8SPACE, 0),
    Flag(L"LC_LF", &R::LC_LF, 0),
    Flag(L"LC_CR", &R::LC_CR, 0),
    Flag(L"SHOW_BALLOON", &R::SHOW_BALLOON, 0),
    Flag(L"PLAY_SOUND", &R::PLAY_SOUND, 0),
    Text(L"PLAY_SOUND_FNAME", &R::PLAY_SOUND_FNAME, L""),
    Flag(L"SHOW_FLOATING", &R::SHOW_FLOATING, 0),
    Integer(L"ALPHA_FLOATING", &R::ALPHA_FLOATING, 255),
    Integer(L"ALPHA_FLOATING2", &R::ALPHA_FLOATING2, 255),
    Integer(L"LEFT_FLOATING", &R::LEFT_FLOATING, -32000),
    Integer(L"TOP_FLOATING", &R::TOP_FLOATING, -32000),
    Flag(L"CHKCLOSE_FLOATING", &R::CHKCLOSE_FLOATING, 0),
    Integer(L"WIDTH_FLOATING", &R::WIDTH_FLOATING, 0),
    Integer(L"HEIGHT_FLOATING", &R::HEIGHT_FLOATING, 0),
    Flag(L"USE_CMDLINE", &R::USE_CMDLINE, 0),
    Text(L"CMDLINE", &R::CMDLINE, L""),
    Integer(L"CMDLINE_CHARCODE", &R::CMDLINE_CHARCODE, 0),
    Flag(L"CSVTSV_CHANGEROWCOL", &R::CSVTSV_CHANGEROWCOL, 0),
    Text(L"MUL_BY_N", &R::MUL_BY_N, L"1"),
    Flag(L"NoOpeningDlg", &R::NoOpeningDlg, 0),
    Flag(L"BIGDIALOG", &R::BIGDIALOG, 0),
    Integer(L"APP_RULE", &R::APP_RULE, 0),
    Text(L"APP_LIST", &R::APP_LIST, L""),
    Flag(L"CLN_MARKDOWN", &R::CLN_MARKDOWN, 0),
    Flag(L"CLN_INVISIBLE", &R::CLN_INVISIBLE, 0),
    Flag(L"CLN_SPACES", &R::CLN_SPACES, 0),
    Flag(L"CLN_QUOTES", &R::CLN_QUOTES, 0),
    Integer(L"CLN_NORMALIZE", &R::CLN_NORMALIZE, 0),
    Flag(L"CLN_UNWRAP", &R::CLN_UNWRAP, 0),
    Flag(L"KEEP_ORIGINAL", &R::KEEP_ORIGINAL, 1),
    Flag(L"SK3_SHIFT", &R::SK3_SHIFT, 0),
    Flag(L"SK3_CTRL", &R::SK3_CTRL, 0),
    Flag(L"SK3_ALT", &R::SK3_ALT, 0),
    Byte(L"SK3_VKEY", &R::SK3_VKEY, 0),
    Flag(L"SK4_SHIFT", &R::SK4_SHIFT, 0),
    Flag(L"SK4_CTRL", &R::SK4_CTRL, 0),
    Flag(L"SK4_ALT", &R::SK4_ALT, 0),
    Byte(L"SK4_VKEY", &R::SK4_VKEY, 0),
    Integer(L"PASTE_RESTORE_MS", &R::PASTE_RESTORE_MS, 500),
};
static_assert(std::size(kFields) == 75);

bool IsOneOf(int value, std::initializer_list<int> allowed) {
    return std::find(allowed.begin(), allowed.end(), value) != allowed.end();
}

}  // namespace

int CheckedInteger(std::wstring_view key, int value) {
    if (key == L"MultiDivSec")
        return IsOneOf(value, {500, 1000, 1500, 2000, 4000, 6000, 8000, 10000}) ? value : 1000;
    if (key == L"Delay1Sec")
        return IsOneOf(value, {0, 100, 200, 500, 700, 1000}) ? value : 1000;
    if (key == L"ALPHA_FLOATING" || key == L"ALPHA_FLOATING2")
        return value >= 0 && value <= 255 ? value : 255;
    if (key == L"APP_RULE") return IsOneOf(value, {0, 1, 2}) ? value : 0;  // an unknown rule is no rule
    if (key == L"CLN_NORMALIZE") return IsOneOf(value, {0, 1, 2}) ? value : 0;
    if (key == L"PASTE_RESTORE_MS") return value >= kPasteRestoreMinMs && value <= kPasteRestoreMaxMs ? value : 500;
    return value;
}

std::span<const OptionField> OptionFields() { return kFields; }

const OptionField* FindOptionField(std::wstring_view key) {
    for (const OptionField& field : kFields)
        if (key == field.key) return &field;
    return nullptr;
}

int OptionIntegerValue(const ProcessingOptionsRecord& record, const OptionField& field) {
    switch (field.kind) {
    case OptionKind::Flag: return record.*field.flag ? 1 : 0;
    case OptionKind::Integer: return record.*field.integer;
    case OptionKind::Byte: return record.*field.byte;
    case OptionKind::Text: break;
    }
    return 0;
}

void StoreLoadedInteger(ProcessingOptionsRecord& record, const OptionField& field, int value) {
    switch (field.kind) {
    case OptionKind::Flag: record.*field.flag = value != 0; break;
    case OptionKind::Integer: record.*field.integer = CheckedInteger(field.key, value); break;
    case OptionKind::Byte: record.*field.byte = static_cast<std::uint8_t>(value & 0xFF); break;
    case OptionKind::Text: break;
    }
}

void StoreLoadedText(ProcessingOptionsRecord& record, const OptionField& field, std::wstring_view value) {
    if (field.kind != OptionKind::Text) return;
    if (field.text == &R::MUL_BY_N && !IsValidMultiplier(value)) value = L"1";
    record.*field.text = value;
}

bool IsValidMultiplier(std::wstring_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](wchar_t c) { return (c >= L'0' && c <= L'9') || c == L'.'; });
}
