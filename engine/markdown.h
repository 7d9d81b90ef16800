#pragma once
// The Markdown cleanup stage: Markdown source (CommonMark with GitHub's tables, strikethrough, task
// lists and autolinks), as the copy buttons of chats and README pages put it on the clipboard,
// written as the plain text a reader sees. Text that CommonMark does not read as syntax stays as it is.
#include <string>
#include <string_view>

std::wstring MarkdownToPlainText(std::wstring_view markdown);
