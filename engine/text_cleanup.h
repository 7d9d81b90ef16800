#pragma once
// The cleanup stages that run first, on the text as it was copied: Markdown to plain text, invisible
// characters, odd spaces, typographic quotes and dashes, Unicode normalisation and the joining of
// paragraph lines.
// Each takes time in proportion to the text, so none of them can make a long line or paragraph slow.
#include <string>
#include <string_view>
#include <vector>

struct ProcessingOptionsRecord;

// CLN_NORMALIZE's values.
enum NormalizationChoice : int { kNormalizeNone = 0, kNormalizeNfc = 1, kNormalizeNfkc = 2 };

bool CleanupWanted(const ProcessingOptionsRecord& options);
// Runs the stages that `options` switches on, in their fixed order.
void ApplyTextCleanup(const ProcessingOptionsRecord& options, std::wstring& text);

// What the unwrap learns of each line break, in the order of the breaks, while the text is as the
// character stages left it: the normalisation after them can change what it looks at (NFKC turns
// "①" into "1"), and the deletion of invisible characters removes the soft hyphens it needs.
struct LineBreakMarks {
    std::vector<bool> listItemAfter;     // the line after the break begins a list item
    std::vector<bool> softHyphenBefore;  // a soft hyphen, deleted since, ended the line before it
    std::vector<bool> keptByMarkdown;    // the Markdown stage wrote it between blocks (or as a hard break)
};

// With `marks`, the breaks after soft hyphens that end a line are noted in it.
void DeleteInvisibleCharacters(std::wstring& text, LineBreakMarks* marks = nullptr);
void ReplaceOddSpaces(std::wstring& text);
void PlainQuotesAndDashes(std::wstring& text);
void MarkListItems(std::wstring_view text, LineBreakMarks& marks);
// A text the platform refuses stays as it is and a warning is collected.
void NormalizeUnicode(std::wstring& text, NormalizationChoice choice);
// Breaks stay before list items and around blank lines; the others become a space or nothing.
void JoinParagraphLines(std::wstring& text, const LineBreakMarks& marks);
