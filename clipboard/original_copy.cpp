#include "original_copy.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "clipboard_data.h"
#include "options.h"
#include "scoped_win.h"

namespace {

struct KeptCopy {
    std::vector<KeptFormat> formats;
    // The bytes of a CF_UNICODETEXT entry kept empty: the run's own copy of the text, moved in,
    // and the NUL that ends it.
    WipedText text;
};

// The copy that can be given back, and one that no longer can but is not wiped yet.
KeptCopy kept;
KeptCopy retired;

// The characters overwritten; the memory stays with the string.
void WipeText(WipedText& text) {
    SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

void Wipe(KeptCopy& copy) {
    // Each block, and the text, is wiped as its memory is given back; a short text lives inside
    // the string itself and is wiped here.
    std::vector<KeptFormat>().swap(copy.formats);
    WipeText(copy.text);
    WipedText().swap(copy.text);
}

SIZE_T TextHeldBytes(const WipedText& text) { return (text.capacity() + 1) * sizeof(wchar_t); }

enum class FormatUse { Skip, Memory, EnhancedMetafile };

// Which formats the owner offered itself, as far as can be told, looked at in the owner's order.
// The system makes each text format from another and each bitmap form from another on request,
// and lists them after the one they come from: in each family the formats up to the richest one
// (Unicode text; the bitmap with its alpha channel) are kept, and those after it come back by
// themselves. CF_LOCALE says how ANSI text reads. Of the metafiles only the first is the owner's.
// GDI objects, and memory that holds GDI handles (CF_METAFILEPICT) or is not global memory (the
// private range), cannot be copied safely.
struct FormatSorter {
    bool unicodeSeen = false;
    bool dibV5Seen = false;
    bool metafileSeen = false;

    static FormatUse Unless(bool richerSeen, FormatUse use) { return richerSeen ? FormatUse::Skip : use; }

    FormatUse UseOf(UINT format) {
        if (format >= 0xC000) return FormatUse::Memory;  // registered formats, a program's private ones too
        switch (format) {
        case CF_UNICODETEXT: return Unless(std::exchange(unicodeSeen, true), FormatUse::Memory);
        case CF_TEXT:
        case CF_OEMTEXT: return Unless(unicodeSeen, FormatUse::Memory);
        case CF_DIBV5: return Unless(std::exchange(dibV5Seen, true), FormatUse::Memory);
        case CF_DIB: return Unless(dibV5Seen, FormatUse::Memory);
        case CF_ENHMETAFILE: return Unless(std::exchange(metafileSeen, true), FormatUse::EnhancedMetafile);
        case CF_DSPENHMETAFILE: return FormatUse::EnhancedMetafile;
        case CF_LOCALE:
        case CF_HDROP:
        case CF_DSPTEXT:
        case CF_SYLK:
        case CF_DIF:
        case CF_TIFF:
        case CF_PENDATA:
        case CF_RIFF:
        case CF_WAVE: return FormatUse::Memory;
        default: return FormatUse::Skip;  // CF_BITMAP, CF_PALETTE, CF_METAFILEPICT, ...
        }
    }
};

// The formats users need most are read first, so a slow owner spends the render budget on them.
int CaptureRank(UINT format) {
    static const UINT html = RegisterClipboardFormatW(L"HTML Format");
    static const UINT richText = RegisterClipboardFormatW(L"Rich Text Format");
    switch (format) {
    case CF_UNICODETEXT:
    case CF_TEXT:
    case CF_OEMTEXT:
    case CF_LOCALE: return 0;
    default: return format == html ? 1 : format == richText ? 2 : 3;
    }
}

// What a capture may still take: the memory the kept copy would hold, and the owner's rendering time.
struct CaptureBudget {
    SIZE_T heldBytes = 0;
    ULONGLONG renderedMs = 0;
    ULONGLONG renderLimitMs = kOriginalCopyRenderLimitMs;
    SIZE_T RoomLeft() const { return kOriginalCopyLimitBytes - heldBytes; }
};

// A block of the retired copy that fits is written over instead of new memory being taken: each
// fresh page costs the system a fault, all while the clipboard is held. One more than twice the
// size is left to be wiped, so a small copy does not hold on to a large one's memory, and so is
// one that would hold more than the room left.
WipedBytes ReusedBlock(SIZE_T size, SIZE_T room) {
    for (KeptFormat& format : retired.formats) {
        const SIZE_T capacity = format.bytes.capacity();
        if (capacity >= size && capacity / 2 <= size && capacity <= room) return std::exchange(format.bytes, {});
    }
    return {};
}

// `bytes` holds `size` bytes afterwards, whatever they are; what a reused block held beyond them
// is wiped first. False when that would hold more than the budget's room.
bool SizeBlock(WipedBytes& bytes, SIZE_T size, CaptureBudget& budget) {
    if (size > budget.RoomLeft()) return false;
    bytes = ReusedBlock(size, budget.RoomLeft());
    if (bytes.size() > size) SecureZeroMemory(bytes.data() + size, bytes.size() - size);
    bytes.resize(size);
    if (bytes.capacity() > budget.RoomLeft()) return false;
    budget.heldBytes += bytes.capacity();
    return true;
}

bool CopyMemoryFormat(HANDLE handle, CaptureBudget& budget, WipedBytes& bytes) {
    const SIZE_T size = GlobalSize(handle);
    if (size == 0) return true;  // nothing to keep; the format is left out
    GlobalMemoryLock lock(handle);
    if (!lock.data()) return true;
    if (!SizeBlock(bytes, size, budget)) return false;
    std::memcpy(bytes.data(), lock.data(), size);
    return true;
}

bool CopyEnhancedMetafile(HANDLE handle, CaptureBudget& budget, WipedBytes& bytes) {
    const auto metafile = static_cast<HENHMETAFILE>(handle);
    const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
    if (size == 0) return true;
    if (!SizeBlock(bytes, size, budget)) return false;
    if (GetEnhMetaFileBits(metafile, size, bytes.data()) != size) bytes.clear();
    return true;
}

bool HoldsExactly(HANDLE handle, const WipedText& text) {
    return !text.empty() && GlobalSize(handle) == (text.size() + 1) * sizeof(wchar_t);
}

struct FormatToRead {
    UINT format;
    FormatUse use;
    size_t ownerPosition;
};

// The owner's own formats, in the order they are read.
std::vector<FormatToRead> FormatsToRead(const std::vector<UINT>& offered) {
    std::vector<FormatToRead> formats;
    FormatSorter sorter;
    for (const UINT format : offered) {
        const FormatUse use = sorter.UseOf(format);
        if (use != FormatUse::Skip) formats.push_back({format, use, formats.size()});
    }
    std::stable_sort(formats.begin(), formats.end(), [](const FormatToRead& a, const FormatToRead& b) {
        return CaptureRank(a.format) < CaptureRank(b.format);
    });
    return formats;
}

// False when the original is over a limit; the formats read so far are then wiped with it.
bool CaptureFormats(const std::vector<UINT>& offered, HANDLE textBlock, const WipedText& copiedText,
                    ULONGLONG renderedMs, CapturedOriginal& captured, ULONGLONG renderLimitMs = kOriginalCopyRenderLimitMs) {
    CaptureBudget budget;
    budget.renderedMs = renderedMs;
    budget.renderLimitMs = renderLimitMs;
    std::vector<std::pair<size_t, KeptFormat>> read;
    for (const FormatToRead& next : FormatsToRead(offered)) {
        // The owner may render the data only now, inside this call: that is the time that counts.
        // Checked before each call too, so a slow owner costs at most one rendering past the limit.
        if (budget.renderedMs > budget.renderLimitMs) return false;
        const ULONGLONG start = GetTickCount64();
        const HANDLE handle = next.format == CF_UNICODETEXT && textBlock ? textBlock : GetClipboardData(next.format);
        budget.renderedMs += GetTickCount64() - start;
        if (budget.renderedMs > budget.renderLimitMs) return false;
        if (!handle) continue;
        // The text up to its first NUL was read by the run; a block that ends right there is that text.
        if (next.format == CF_UNICODETEXT && HoldsExactly(handle, copiedText)) {
            if (TextHeldBytes(copiedText) > budget.RoomLeft()) return false;
            budget.heldBytes += TextHeldBytes(copiedText);
            captured.textPending = true;
            read.emplace_back(next.ownerPosition, KeptFormat{next.format, false, {}});
            continue;
        }
        KeptFormat entry{next.format, next.use == FormatUse::EnhancedMetafile, {}};
        const bool withinLimit = entry.enhancedMetafile ? CopyEnhancedMetafile(handle, budget, entry.bytes)
                                                        : CopyMemoryFormat(handle, budget, entry.bytes);
        if (!withinLimit) return false;
        if (!entry.bytes.empty()) read.emplace_back(next.ownerPosition, std::move(entry));
    }
    std::sort(read.begin(), read.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [position, format] : read) captured.formats.push_back(std::move(format));
    return true;
}

// `pendingText`: the text of a CF_UNICODETEXT entry left empty.
bool PutFormat(const KeptFormat& format, std::wstring_view pendingText) {
    const bool isPendingText = format.format == CF_UNICODETEXT && format.bytes.empty();
    if (format.enhancedMetafile) {
        const HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(format.bytes.size()), format.bytes.data());
        if (!metafile) return false;
        if (PutClipboardData(format.format, metafile)) return true;
        DeleteEnhMetaFile(metafile);
        return false;
    }
    if (isPendingText) return PutTextOnClipboard(pendingText);
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, format.bytes.size()));
    if (!block) return false;
    {
        GlobalMemoryLock lock(block.get());
        if (!lock.data()) return false;
        std::memcpy(lock.data(), format.bytes.data(), format.bytes.size());
    }
    if (!PutClipboardData(format.format, block.get())) return false;
    block.release();  // the system owns it now
    return true;
}

bool PutFormats(const std::vector<KeptFormat>& formats, std::wstring_view pendingText) {
    for (const KeptFormat& format : formats)
        if (!PutFormat(format, pendingText)) return false;
    return true;
}

}  // namespace

CapturedOriginal CaptureOriginal(bool ownCopy, const std::vector<UINT>& offered, bool isPrivate, HANDLE textBlock,
                                 const WipedText& copiedText, ULONGLONG renderedMs) {
    CapturedOriginal captured;
    if (ownCopy) {
        captured.kind = CapturedOriginal::Kind::OwnCopy;
        return captured;
    }
    if (isPrivate || !ProcessingOptions.KEEP_ORIGINAL) return captured;
    try {
        if (CaptureFormats(offered, textBlock, copiedText, renderedMs, captured))
            captured.kind = CapturedOriginal::Kind::Captured;
        else
            captured.formats.clear();
    } catch (const std::bad_alloc&) {
        captured.formats.clear();  // not kept: a run never fails for want of memory to keep the original
    }
    return captured;
}

void KeepCapturedOriginal(CapturedOriginal&& captured) {
    switch (captured.kind) {
    case CapturedOriginal::Kind::OwnCopy: return;
    case CapturedOriginal::Kind::NotKept: DropKeptOriginal(); return;
    case CapturedOriginal::Kind::Captured:
        Wipe(kept);  // a retired copy waits for WipeRetiredOriginal, once the notification is out
        kept.formats = std::move(captured.formats);
        if (captured.textPending) kept.text = std::move(captured.text);
        return;
    }
}

bool PutFormatsOnClipboard(const std::vector<KeptFormat>& formats) { return PutFormats(formats, {}); }

bool PutCapturedOriginalOnClipboard(const CapturedOriginal& captured, std::wstring_view copiedText) {
    return captured.kind == CapturedOriginal::Kind::Captured && !captured.formats.empty() &&
           PutFormats(captured.formats, copiedText);
}

void DropKeptOriginal() {
    Wipe(kept);
    Wipe(retired);
}

void RetireKeptOriginal() {
    Wipe(retired);
    std::swap(kept, retired);
}

void WipeRetiredOriginal() { Wipe(retired); }

WipedText TakeRetiredTextMemory(size_t units) {
    const size_t capacity = retired.text.capacity();
    if (capacity < units || capacity / 2 > units) return {};
    WipeText(retired.text);
    return std::exchange(retired.text, {});
}

bool HasKeptOriginal(HWND window) { return !kept.formats.empty() && window && GetClipboardOwner() == window; }

RestoreWrite ReplaceClipboardContents(const std::vector<KeptFormat>& formats, std::wstring_view pendingText) {
    // What the clipboard holds now, read before it goes, to put back should the write fail half way.
    CapturedOriginal before;
    try {
        if (!CaptureFormats(OfferedClipboardFormats(), nullptr, {}, 0, before)) before.formats.clear();
    } catch (const std::bad_alloc&) {
        before.formats.clear();
    }
    if (!EmptyOpenClipboard()) return RestoreWrite::Failed;
    if (PutFormats(formats, pendingText)) return RestoreWrite::Written;
    const bool putBack = !before.formats.empty() && EmptyOpenClipboard() && PutFormats(before.formats, {});
    return putBack ? RestoreWrite::PutBack : RestoreWrite::Failed;
}

RestoreWrite PutKeptOriginalOnClipboard() { return ReplaceClipboardContents(kept.formats, kept.text); }

std::vector<UINT> KeptOriginalFormats() {
    std::vector<UINT> formats;
    for (const KeptFormat& format : kept.formats) formats.push_back(format.format);
    return formats;
}

SIZE_T KeptOriginalHeldBytes() {
    SIZE_T held = kept.text.empty() ? 0 : TextHeldBytes(kept.text);
    for (const KeptFormat& format : kept.formats) held += format.bytes.capacity();
    return held;
}

bool CaptureEveryFormat(const std::vector<UINT>& offered, std::vector<KeptFormat>& formats) {
    CapturedOriginal captured;
    try {
        // No time limit: the user asked for this copy, and its owner has answered before.
        if (!CaptureFormats(offered, nullptr, WipedText(), 0, captured, ~ULONGLONG{0})) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    formats = std::move(captured.formats);
    return true;
}
