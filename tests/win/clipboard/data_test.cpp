#include <gtest/gtest.h>

#include <cstring>
#include <shlobj.h>

#include "clipboard_data.h"
#include "clipboard_fixture.h"
#include "options.h"
#include "scoped_win.h"

namespace clipboard_test {
namespace {

UniqueGlobal BlockOf(const std::vector<BYTE>& bytes) {
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
    if (block && !bytes.empty()) {
        GlobalMemoryLock lock(block.get());
        std::memcpy(lock.data(), bytes.data(), bytes.size());
    }
    return block;
}

std::vector<BYTE> WideBytes(const std::wstring& text, size_t extraBytes = 0) {
    std::vector<BYTE> bytes(text.size() * sizeof(wchar_t) + extraBytes, 0x41);
    std::memcpy(bytes.data(), text.data(), text.size() * sizeof(wchar_t));
    return bytes;
}

std::vector<BYTE> DropBytes(DWORD offset, bool wide, const std::vector<BYTE>& names, size_t headerPadding = 0) {
    DROPFILES header = {};
    header.pFiles = offset;
    header.fWide = wide;
    std::vector<BYTE> bytes(sizeof header + headerPadding + names.size(), 0);
    std::memcpy(bytes.data(), &header, sizeof header);
    if (!names.empty()) std::memcpy(bytes.data() + sizeof header + headerPadding, names.data(), names.size());
    return bytes;
}

TEST(TextBlock, IsReadWithinItsSize) {
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
        TextCopyResult result;
        std::wstring text;
    };
    const Case cases[] = {
        {"terminated", WideBytes(std::wstring(L"abc", 4)), TextCopyResult::Copied, L"abc"},
        {"no NUL", WideBytes(L"abc"), TextCopyResult::Copied, L"abc"},
        {"odd byte count", WideBytes(L"abc", 1), TextCopyResult::Copied, L"abc"},
        {"stops at the first NUL", WideBytes(std::wstring(L"ab\0cd", 5)), TextCopyResult::Copied, L"ab"},
        {"one byte", {0x41}, TextCopyResult::Copied, L""},
        {"no bytes", {}, TextCopyResult::LockFailed, L""},
    };
    for (const Case& c : cases) {
        UniqueGlobal block = BlockOf(c.bytes);
        std::wstring text = L"unchanged";
        EXPECT_EQ(CopyTextBlock(block.get(), text), c.result) << c.name;
        if (c.result == TextCopyResult::Copied) {
            EXPECT_EQ(text, c.text) << c.name;
        }
    }
    std::wstring text;
    EXPECT_EQ(CopyTextBlock(nullptr, text), TextCopyResult::LockFailed);
}

TEST(DropListBlock, IsValidatedBeforeItIsRead) {
    const std::vector<BYTE> twoNames = WideBytes(std::wstring(L"C:\\a\0C:\\b\0\0", 12));
    const DWORD header = sizeof(DROPFILES);
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
        bool valid;
        std::vector<std::wstring> paths;
    };
    const Case cases[] = {
        {"wide", DropBytes(header, true, twoNames), true, {L"C:\\a", L"C:\\b"}},
        {"ansi", DropBytes(header, false, {'C', ':', '\\', 'x', 0, 0}), true, {L"C:\\x"}},
        {"unaligned offset", DropBytes(header + 1, true, twoNames, 1), true, {L"C:\\a", L"C:\\b"}},
        {"empty list", DropBytes(header, true, {0, 0}), true, {}},
        {"header cut short", std::vector<BYTE>(sizeof(DROPFILES) - 1, 0), false, {}},
        {"offset past the end", DropBytes(4096, true, twoNames), false, {}},
        {"offset inside the header", DropBytes(4, true, twoNames), false, {}},
        {"list without its end", DropBytes(header, true, WideBytes(std::wstring(L"C:\\a\0C:\\b", 8))), false, {}},
        {"name without NUL", DropBytes(header, true, WideBytes(L"C:\\abc")), false, {}},
        {"ansi without end", DropBytes(header, false, {'C', ':', 0, 'D'}), false, {}},
    };
    for (const Case& c : cases) {
        UniqueGlobal block = BlockOf(c.bytes);
        std::vector<std::wstring> paths;
        EXPECT_EQ(ReadDropList(block.get(), paths), c.valid) << c.name;
        if (c.valid) {
            EXPECT_EQ(paths, c.paths) << c.name;
        }
    }
    std::vector<std::wstring> paths;
    EXPECT_FALSE(ReadDropList(nullptr, paths));
}

TEST(DropListText, NamesOrFullPathsEachEndWithCrLf) {
    const std::vector<std::wstring> paths = {L"C:\\w\\a.txt", L"D:\\", L"name", L"\\\\server\\share\\f"};
    EXPECT_EQ(FileListText(paths, false), L"a.txt\r\n\r\nname\r\nf\r\n");
    EXPECT_EQ(FileListText(paths, true), L"C:\\w\\a.txt\r\nD:\\\r\nname\r\n\\\\server\\share\\f\r\n");
    EXPECT_EQ(FileListText({}, true), L"");
}

using UntrustedClipboardTest = ClipboardTest;

// Blocks that another program put on the clipboard as they are: each is read safely or reported.
TEST_F(UntrustedClipboardTest, MalformedTextIsReadSafelyOrReported) {
    struct Case {
        const char* name;
        Offer offer;
        const wchar_t* processed;  // null: left alone with `message`
        const wchar_t* message;
        const wchar_t* processedByWine;  // Wine ends an unterminated block by overwriting its last unit
    };
    const Case cases[] = {
        {"no NUL", {CF_UNICODETEXT, WideBytes(L"a b")}, L"ab", nullptr, L"a"},
        {"odd bytes", {CF_UNICODETEXT, WideBytes(L"c d", 1)}, L"cd", nullptr, L"c"},
        {"null handle", {CF_UNICODETEXT, {}, true}, nullptr, L"GetClipboardData() failed.", nullptr},
    };
    ProcessingOptions.DelSpace = true;
    for (const Case& c : cases) {
        recorder_->balloons.clear();
        const unsigned runs = Runs();
        const int updates = Record().updates;
        Copy(copier_, {c.offer});
        ASSERT_TRUE(PumpUntil([&] { return Record().updates > updates && Runs() >= runs + (c.processed ? 1 : 0); }))
            << c.name;
        if (c.processed) {
            const std::wstring text = ClipboardText();
            EXPECT_TRUE(text == c.processed || text == c.processedByWine) << c.name;
        } else {
            EXPECT_EQ(Runs(), runs) << c.name;
            ASSERT_EQ(recorder_->balloons.size(), 1u) << c.name;
            EXPECT_EQ(recorder_->balloons[0].text, c.message) << c.name;
            EXPECT_EQ(recorder_->balloons[0].severity, 3u) << c.name;
        }
    }
}

TEST_F(UntrustedClipboardTest, MalformedFileListIsLeftAlone) {
    ProcessingOptions.FileFolderCopy = 2;
    const std::vector<Offer> offers = {
        {CF_HDROP, DropBytes(4096, true, WideBytes(std::wstring(L"C:\\a\0\0", 6)))},
        {CF_HDROP, DropBytes(sizeof(DROPFILES), true, WideBytes(L"C:\\no-end"))},
        {CF_HDROP, std::vector<BYTE>(8, 0xFF)},
    };
    for (const Offer& offer : offers) {
        const int updates = Record().updates;
        Copy(copier_, {offer});
        ASSERT_TRUE(PumpUntil([&] { return Record().updates > updates; }));
        EXPECT_EQ(Runs(), 0u);
        EXPECT_TRUE(ClipboardHas(CF_HDROP));
        EXPECT_TRUE(recorder_->balloons.empty());
    }
}

}  // namespace
}  // namespace clipboard_test
