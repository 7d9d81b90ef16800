#pragma once
// The process-wide record of every setting. Texts hold UTF-16 code units, one per wchar_t element
// (wchar_t is 16 bits on Windows and 32 bits on the host build, where the values stay below 0x10000).
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

struct ProcessingOptionsRecord {
    int FileFolderCopy = 0;
    bool CBWatchEnabled = true;
    bool MultiDiv = false;
    int MultiDivSec = 0;
    int Delay1Sec = 0;
    std::wstring StrConvID;
    bool DelSpace = false;
    bool DelEnter = false;
    bool DelTab = false;
    bool SK1_SHIFT = false;
    bool SK1_CTRL = false;
    bool SK1_ALT = false;
    std::uint8_t SK1_VKEY = 0;
    bool SK2_SHIFT = false;
    bool SK2_CTRL = false;
    bool SK2_ALT = false;
    std::uint8_t SK2_VKEY = 0;
    bool REP_REP = false;
    std::wstring REP_BEFORE;
    std::wstring REP_AFTER;
    bool REP_ICASE = false;
    bool REP_SINGLELINE = false;
    bool REP_NOTDOTNEWLINE = false;
    bool FEL_TRIMLEFT = false;
    bool FEL_TRIMLEFT_FPSPACE = false;
    bool FEL_TRIMLEFT_TAB = false;
    bool FEL_TRIMLEFT_ZERO = false;
    bool FEL_TRIMLEFT_FPZERO = false;
    bool FEL_TRIMRIGHT = false;
    bool FEL_TRIMRIGHT_FPSPACE = false;
    bool FEL_TRIMRIGHT_TAB = false;
    bool FEL_SORTASC = false;
    bool FEL_SORTDSC = false;
    bool FEL_UNIQ = false;
    bool FEL_DELBLANKLINE = false;
    bool TAB4SPACE = false;
    bool TAB8SPACE = false;
    bool LC_LF = false;
    bool LC_CR = false;
    bool SHOW_BALLOON = false;
    bool PLAY_SOUND = false;
    std::wstring PLAY_SOUND_FNAME;
    bool SHOW_FLOATING = false;
    int ALPHA_FLOATING = 255;
    int ALPHA_FLOATING2 = 255;
    int LEFT_FLOATING = -32000;
    int TOP_FLOATING = -32000;
    bool CHKCLOSE_FLOATING = false;
    int WIDTH_FLOATING = 0;
    int HEIGHT_FLOATING = 0;
    bool USE_CMDLINE = false;
    std::wstring CMDLINE;
    int CMDLINE_CHARCODE = 0;
    bool CSVTSV_CHANGEROWCOL = false;
    std::wstring MUL_BY_N = L"1";
    bool NoOpeningDlg = false;
    bool BIGDIALOG = false;
    int APP_RULE = 0;  // 0 no rule, 1 leave the listed programs' copies alone, 2 process only theirs
    std::wstring APP_LIST;  // program file names separated by ";"
    bool CLN_MARKDOWN = false;  // Markdown source becomes the plain text a reader sees
    bool CLN_INVISIBLE = false;
    bool CLN_SPACES = false;
    bool CLN_QUOTES = false;
    int CLN_NORMALIZE = 0;  // 0 none, 1 NFC, 2 NFKC
    bool CLN_UNWRAP = false;
    bool KEEP_ORIGINAL = true;  // keep a copy's formats before it is replaced, to give it back
    bool SK3_SHIFT = false;     // hotkey 3: restore the original copy
    bool SK3_CTRL = false;
    bool SK3_ALT = false;
    std::uint8_t SK3_VKEY = 0;
    bool SK4_SHIFT = false;  // hotkey 4: paste as plain text
    bool SK4_CTRL = false;
    bool SK4_ALT = false;
    std::uint8_t SK4_VKEY = 0;
    int PASTE_RESTORE_MS = 500;  // how long after a plain paste the copy goes back on the clipboard

    bool operator==(const ProcessingOptionsRecord&) const = default;
};

extern ProcessingOptionsRecord ProcessingOptions;

// The range PASTE_RESTORE_MS may take; anything else loads as the default, 500.
inline constexpr int kPasteRestoreMinMs = 100;
inline constexpr int kPasteRestoreMaxMs = 5000;

enum class OptionKind { Flag, Integer, Byte, Text };

// One storage key of the settings, in the order in which they are read and written.
// Exactly one member pointer, the one of `kind`, is set.
struct OptionField {
    const wchar_t* key;
    OptionKind kind;
    bool ProcessingOptionsRecord::*flag = nullptr;
    int ProcessingOptionsRecord::*integer = nullptr;
    std::uint8_t ProcessingOptionsRecord::*byte = nullptr;
    std::wstring ProcessingOptionsRecord::*text = nullptr;
    int defaultInteger = 0;           // Flag, Integer, Byte
    const wchar_t* defaultText = L"";  // Text
};

// All keys in table order: the 57 up to BIGDIALOG, then those of the program rules, the text
// cleanup, the kept original with its hotkey, and pasting as plain text with its hotkey and delay.
std::span<const OptionField> OptionFields();
const OptionField* FindOptionField(std::wstring_view key);

// Stored value of an integer-like field as it is written (flags 0/1, bytes 0-255).
int OptionIntegerValue(const ProcessingOptionsRecord& record, const OptionField& field);

// Store a value read from a back end, applying the load-time checks of that key
// (flags: non-zero is on; bytes keep the low 8 bits; intervals, alphas and MUL_BY_N fall back).
void StoreLoadedInteger(ProcessingOptionsRecord& record, const OptionField& field, int value);
void StoreLoadedText(ProcessingOptionsRecord& record, const OptionField& field, std::wstring_view value);
// The value an integer key holds after the load-time check (intervals and alphas fall back).
int CheckedInteger(std::wstring_view key, int value);

// MUL_BY_N must be non-empty and consist of "0"-"9" and "." only.
bool IsValidMultiplier(std::wstring_view text);
