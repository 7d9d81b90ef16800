// The Markdown stage row by row: the conversion table, the ordinary texts it must leave alone, the
// places where GitHub Flavored Markdown's rules and cmark-gfm 0.29 part (markdown_cmark_test.cpp compares
// everything else with cmark-gfm on the host) and the line ends. Runs in both builds, so the
// references beyond the BMP are checked with 16-bit wchar_t too.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "engine_test.h"
#include "markdown.h"
#include "utf8.h"

namespace {

struct MarkdownCase {
    std::u8string_view input;
    std::u8string_view expected;
};

void ExpectPlainText(std::initializer_list<MarkdownCase> cases) {
    for (const MarkdownCase& c : cases) {
        const std::string input(c.input.begin(), c.input.end());
        SCOPED_TRACE(input);
        EXPECT_EQ(EncodeUtf8(MarkdownToPlainText(U(c.input))), std::string(c.expected.begin(), c.expected.end()));
    }
}

TEST(MarkdownStage, ConversionTable) {
    ExpectPlainText({
        {u8"# Heading\n", u8"Heading\n"},
        {u8"Heading\n===\n", u8"Heading\n"},
        {u8"Heading\nover two\n---\n", u8"Heading over two\n"},
        {u8"*a* _a_ **a** __a__ ***a*** ~~a~~\n", u8"a a a a a a\n"},
        {u8"`co*de*`\n", u8"co*de*\n"},
        {u8"```js\nlet *a* = 1;\n\n```\n", u8"let *a* = 1;\n"},
        {u8"~~~\n  indented\n~~~\n\n    code\n", u8"  indented\n\ncode\n"},
        {u8"[text](https://x.org \"title\") [https://x.org](https://x.org)\n", u8"text (https://x.org) https://x.org\n"},
        {u8"[text][ref]\n\n[ref]: https://r.org\n", u8"text (https://r.org)\n"},
        {u8"<https://x.org> <a@b.co> www.x.org https://y.org/p\n", u8"https://x.org a@b.co www.x.org https://y.org/p\n"},
        {u8"![alt](src.png)\n", u8"alt\n"},
        {u8"- item\n* item\n+ item\n", u8"\u2022 item\n\u2022 item\n\u2022 item\n"},
        {u8"- a\n  - b\n    - c\n", u8"\u2022 a\n  \u2022 b\n    \u2022 c\n"},
        {u8"1. a\n1. b\n1. c\n", u8"1. a\n2. b\n3. c\n"},
        {u8"3) a\n3) b\n", u8"3) a\n4) b\n"},
        {u8"- [ ] task\n- [x] done\n", u8"\u2610 task\n\u2611 done\n"},
        {u8"> quote\n> > deeper\n", u8"quote\ndeeper\n"},
        {u8"| a | b |\n|---|:-:|\n| 1 \\| 2 | `x\\|y` |\n| 3 |\n", u8"a\tb\n1 | 2\tx|y\n3\t\n"},
        {u8"a\n\n---\n***\n___\n\nb\n", u8"a\n\nb\n"},
        {u8"\\* &amp; &#x41; &#65; &copy; &#x1F600; &ThickSpace;x\n", u8"* & A A \u00A9 \U0001F600 \u205F\u200Ax\n"},
        {u8"two  \nback\\\nbr<br>br/<br/>end\n", u8"two\nback\nbr\nbr/\nend\n"},
        {u8"<span>kept</span> <!-- too -->\n\n<div>\n*kept*\n</div>\n", u8"<span>kept</span> <!-- too -->\n\n<div>\n*kept*\n</div>\n"},
        {u8"soft\nbreaks\nkept\n", u8"soft\nbreaks\nkept\n"},
    });
}

TEST(MarkdownStage, LinesBetweenBlocksFollowTheSource) {
    ExpectPlainText({
        {u8"**Pros:**\n- Fast\n- Simple\n\n**Cons:**\n\n- Slow\n", u8"Pros:\n\u2022 Fast\n\u2022 Simple\n\nCons:\n\n\u2022 Slow\n"},
        {u8"- a\n\n- b\n- c\n", u8"\u2022 a\n\n\u2022 b\n\u2022 c\n"},
        {u8"10. wrapped\nline\n\n    more\n", u8"10. wrapped\n  line\n\n  more\n"},
        {u8"- code:\n\n      x = 1\n", u8"\u2022 code:\n\n  x = 1\n"},
        {u8"\n\n  para  \n\n\n\nnext\n\n\n", u8"para\n\nnext\n"},
        {u8"# A\n[ref]: /u\nText [ref]\n", u8"A\nText ref (/u)\n"},
        {u8"-\n- [ ]\n", u8"\u2022\n\u2022 [ ]\n"},
    });
}

// CommonMark's own rules keep these as they are.
TEST(MarkdownStage, OrdinaryTextStaysAsItIs) {
    ExpectPlainText({
        {u8"2 * 3 * 4", u8"2 * 3 * 4"},
        {u8"snake_case_name and a_b_c", u8"snake_case_name and a_b_c"},
        {u8"*.txt files, C# code", u8"*.txt files, C# code"},
        {u8"if a > b then", u8"if a > b then"},
        {u8"1.5 at a line start\n2.5", u8"1.5 at a line start\n2.5"},
        {u8"an unmatched ** stays", u8"an unmatched ** stays"},
        {u8"a [bracket and a (paren", u8"a [bracket and a (paren"},
        {u8"\u65E5\u672C\u8A9E\u306E\u6587\u7AE0\u3002*\u5F37\u8ABF*\u3082\u3002", u8"\u65E5\u672C\u8A9E\u306E\u6587\u7AE0\u3002\u5F37\u8ABF\u3082\u3002"},
    });
}

// Where cmark-gfm 0.29 parts from GitHub Flavored Markdown's rules, the rules decide.
TEST(MarkdownStage, FollowsGfmWhereCmarkGfmDoesNot) {
    ExpectPlainText({
        {u8"> - [ ] in a quote\n> - [x] done\n", u8"\u2610 in a quote\n\u2611 done\n"},
        {u8"- - [ ] nested on one line\n", u8"\u2022 \u2610 nested on one line\n"},
        {u8"- [ ] open, though [x] follows\n", u8"\u2610 open, though [x] follows\n"},
        {u8"`` `a` `b`\n", u8"`` a b\n"},
        {u8"[r]: /u\n| x |\n| - |\n\n[r]\n", u8"x\n\nr (/u)\n"},
        {u8"> [r]: /u\n    lazy\n", u8"lazy\n"},
    });
}

// Lines keep the text's own line end; a line break in a text that has none is the clipboard's.
TEST(MarkdownStage, KeepsTheLineEnds) {
    EXPECT_EQ(MarkdownToPlainText(L"# T\r\n\r\n- a\r\n- b\r\n"), L"T\r\n\r\n\u2022 a\r\n\u2022 b\r\n");
    EXPECT_EQ(MarkdownToPlainText(L"# T\r\r- a\r"), L"T\r\r\u2022 a\r");
    EXPECT_EQ(MarkdownToPlainText(L"a<br>b"), L"a\r\nb");
    EXPECT_EQ(MarkdownToPlainText(L"**a**"), L"a");
    EXPECT_EQ(MarkdownToPlainText(L""), L"");
    EXPECT_EQ(MarkdownToPlainText(L"\n\n"), L"");
}

}  // namespace
