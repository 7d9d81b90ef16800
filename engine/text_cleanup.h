#pragma once
// The cleanup stages that run first, on the text as it was copied: invisible characters, odd
// spaces, typographic quotes and dashes, Unicode normalisation and the joining of paragraph lines.
// Each is one pass over the text, so none of them can make a long line or paragraph slow.
#include <string>

struct ProcessingOptionsRecord;

// CLN_NORMALIZE's values.
enum NormalizationChoice : int { kNormalizeNone = 0, kNormalizeNfc = 1, kNormalizeNfkc = 2 };

bool CleanupWanted(const ProcessingOptionsRecord& options);
// Runs the stages that `options` switches on, in their fixed order.
void ApplyTextCleanup(const ProcessingOptionsRecord& options, std::wstring& text);

void DeleteInvisibleCharacters(std::wstring& text);
void ReplaceOddSpaces(std::wstring& text);
void PlainQuotesAndDashes(std::wstring& text);
// A text the platform refuses stays as it is and a warning is collected.
void NormalizeUnicode(std::wstring& text, NormalizationChoice choice);
void JoinParagraphLines(std::wstring& text);
