#pragma once
// The Markdown cleanup stage: Markdown source (CommonMark with GitHub's tables, strikethrough, task
// lists and autolinks), as the copy buttons of chats and README pages put it on the clipboard,
// written as the plain text a reader sees. Text that CommonMark does not read as syntax stays as it is.
#include <string>
#include <string_view>
#include <vector>

// `joinableBreaks`, when given, gets a flag for each line end of the result, in order: true for a
// soft break of the source inside a paragraph, which the unwrap may join; false for the others (a
// hard break, and the line ends between blocks, table rows and code lines), which stay.
std::wstring MarkdownToPlainText(std::wstring_view markdown, std::vector<bool>* joinableBreaks = nullptr);
