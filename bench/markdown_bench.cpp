// The Markdown stage on 10 MB of answers as AI chats write them, against cmark-gfm's own parse of
// the same text into its tree (what "cmark-gfm -t xml" does before it prints), with the same GitHub
// extensions, measured in the same run; target: at most as long. Then the time per doubling from
// 1.25 to 10 MB, for that text and for texts made to be slow: runs of "*" and "[" in one paragraph,
// block quotes and lists nested thousands deep. Work that grows with the text takes 2x per
// doubling; target at most 2.2. Host only: it links cmark-gfm, which the product never does.
#include <cmark-gfm-core-extensions.h>
#include <cmark-gfm.h>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "bench_support.h"
#include "markdown.h"
#include "utf8.h"

namespace {

// A little pseudo-random choice, the same in every run.
struct Chooser {
    unsigned state = 2026;
    unsigned Next(unsigned below) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % below;
    }
    template <std::size_t N>
    const char* Pick(const char* const (&items)[N]) { return items[Next(N)]; }
};

constexpr const char* kSentences[] = {
    "The **main reason** is that the cache is *cold* on the first call, so `load()` reads from disk.",
    "You can use [the official guide](https://docs.example.org/guide#setup) or run `make install`.",
    "This keeps the code simple; see ~~the old way~~ the new API in `config.yaml` for details.",
    "In short: **yes**, but only if `timeout > 0` and the *retry* flag is set (it is by default).",
    "Most users never notice, because the default of 2 * 3 * 4 = 24 workers is plenty for snake_case_names.",
    "\xE3\x81\x93\xE3\x81\xAE\xE8\xA8\xAD\xE5\xAE\x9A\xE3\x81\xAF**\xE9\x87\x8D\xE8\xA6\x81**\xE3\x81\xA7\xE3\x81\x99\xE3\x80\x82"
    "`npm test` \xE3\x81\xA7\xE7\xA2\xBA\xE8\xAA\x8D\xE3\x81\x97\xE3\x81\xA6\xE3\x81\x8F\xE3\x81\xA0\xE3\x81\x95\xE3\x81\x84\xE3\x80\x82",
    "Check www.example.com or <https://example.org/faq> if the error &mdash; `E42` &mdash; persists.",
    "Note that *.txt files and C# projects are handled the same way; a > b holds for 1.5 too.",
};

// Answers of the kind a chat's copy button gives: headings, paragraphs, bullet and numbered lists
// with bold leads, task lists, code fences, tables, quotes and rules.
std::string MakeChatText(std::size_t bytes) {
    Chooser chooser;
    std::string text;
    text.reserve(bytes + 4096);
    const auto paragraph = [&] {
        for (unsigned sentences = 2 + chooser.Next(4); sentences > 0; --sentences) {
            text += chooser.Pick(kSentences);
            text += sentences > 1 && chooser.Next(3) == 0 ? "\n" : " ";
        }
        text += "\n\n";
    };
    while (text.size() < bytes) {
        text += "Sure! Here's an overview.\n\n## Key points\n\n";
        paragraph();
        text += "**Pros:**\n";
        for (unsigned items = 2 + chooser.Next(4); items > 0; --items) {
            text += "- **Fast:** ";
            text += chooser.Pick(kSentences);
            text += "\n";
            if (chooser.Next(4) == 0) text += "  - nested detail with `code` and *emphasis*\n";
        }
        text += "\n### Steps\n\n";
        for (unsigned step = 1; step <= 3 + chooser.Next(3); ++step)
            text += std::to_string(step) + ". Run `step " + std::to_string(step) + "` and check the [log](./log.txt).\n";
        text += "\n```python\ndef handler(event, context):\n    return {\"status\": 200, \"body\": event[\"x\"] * 2}\n```\n\n";
        text += "| Option | Default | Meaning |\n|:-------|:-------:|---------|\n";
        for (unsigned rows = 2 + chooser.Next(4); rows > 0; --rows) text += "| `--verbose` | off | Prints **more** output |\n";
        text += "\n> **Note:** ";
        text += chooser.Pick(kSentences);
        text += "\n\n- [x] install\n- [ ] configure\n\n---\n\n";
        paragraph();
    }
    return text;
}

// One paragraph of delimiter runs of every length between letters: each run can open and close.
std::string MakeStarText(std::size_t bytes) {
    Chooser chooser;
    std::string text = "x";
    while (text.size() < bytes) {
        text.append(1 + chooser.Next(4), '*');
        text += chooser.Next(8) == 0 ? " a" : "a";
    }
    return text + "\n";
}

// One paragraph of brackets that mostly never close, with links, images and references between.
std::string MakeBracketText(std::size_t bytes) {
    Chooser chooser;
    constexpr const char* kPieces[] = {"[", "[[", "[a", "![", "]", "](", "[a](b", "][c]", "[d]: e", "(("};
    std::string text = "x ";
    while (text.size() < bytes) text += chooser.Pick(kPieces);
    return text + "\n";
}

// Block quotes nested up to 2000 deep and back, a line a level.
std::string MakeQuoteText(std::size_t bytes) {
    std::string text;
    for (std::size_t depth = 1; text.size() < bytes; depth = depth % 2000 + 1) {
        for (std::size_t i = 0; i < depth; ++i) text += "> ";
        text += "quoted *text*\n";
    }
    return text;
}

// Lists nested up to 2000 deep, each item indented under the one before.
std::string MakeListText(std::size_t bytes) {
    std::string text;
    for (std::size_t depth = 0; text.size() < bytes; depth = (depth + 1) % 2000) {
        text.append(2 * depth, ' ');
        text += "- item **bold**\n";
    }
    return text;
}

std::wstring Units(const std::string& bytes) {
    std::wstring units;
    std::size_t errorOffset = 0;
    if (!DecodeUtf8(bytes, units, errorOffset)) std::printf("markdown: the benchmark's text is not UTF-8\n");
    return units;
}

// cmark-gfm's parse into its tree, with the extensions the stage reads too.
void ParseWithCmark(const std::string& text) {
    cmark_parser* parser = cmark_parser_new(CMARK_OPT_DEFAULT);
    for (const char* name : {"table", "strikethrough", "autolink", "tasklist"})
        cmark_parser_attach_syntax_extension(parser, cmark_find_syntax_extension(name));
    cmark_parser_feed(parser, text.data(), text.size());
    cmark_node* document = cmark_parser_finish(parser);
    cmark_node_free(document);
    cmark_parser_free(parser);
}

double TimeStage(const std::wstring& text, int runs) {
    return BestSeconds(runs, [&] { (void)MarkdownToPlainText(text).size(); });
}

// Ours against cmark-gfm in alternating runs, so a busy spell of the shared machine falls on both.
void PrintRatio(int runs) {
    const std::string text = MakeChatText(10'000'000);
    const std::wstring units = Units(text);
    double ours = 1e300, cmark = 1e300;
    for (int round = 0; round < runs; ++round) {
        cmark = std::min(cmark, BestSeconds(1, [&] { ParseWithCmark(text); }));
        ours = std::min(ours, TimeStage(units, 1));
    }
    std::printf("markdown 10 MB chat answers to plain text: %.3f s; cmark-gfm's parse to its tree: %.3f s; ratio %.2f "
                "(target <= 1.0)\n", ours, cmark, ours / cmark);
}

void PrintGrowth(const char* name, std::string (*make)(std::size_t)) {
    double seconds[4] = {};
    const double sizes[4] = {1.25, 2.5, 5, 10};
    for (int i = 0; i < 4; ++i) seconds[i] = TimeStage(Units(make(static_cast<std::size_t>(sizes[i] * 1e6))), 3);
    std::printf("markdown %s: %.3f / %.3f / %.3f / %.3f s at 1.25 / 2.5 / 5 / 10 MB; per doubling %.2fx %.2fx %.2fx "
                "(target <= 2.2)\n", name, seconds[0], seconds[1], seconds[2], seconds[3], seconds[1] / seconds[0],
                seconds[2] / seconds[1], seconds[3] / seconds[2]);
}

}  // namespace

// Takes no options; "--quick" from scripts/bench.sh changes nothing, as no case here is of 100 MB.
int main() {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // Freed memory stays with the program, so every size runs on memory touched before, as the
    // small ones do anyway: glibc otherwise gives blocks over 32 MB fresh pages on every run, and
    // that step in the 10 MB figures would read as growth of the parser's own work.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    cmark_gfm_core_extensions_ensure_registered();
    PrintRatio(5);
    PrintGrowth("chat answers", MakeChatText);
    PrintGrowth("runs of *", MakeStarText);
    PrintGrowth("runs of [", MakeBracketText);
    PrintGrowth("quotes 2000 deep", MakeQuoteText);
    PrintGrowth("lists 2000 deep", MakeListText);
    return 0;
}
