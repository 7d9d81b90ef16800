#include "original_copy.h"

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
    std::wstring text;
};

// The copy that can be given back, and one that no longer can but is not wiped yet.
KeptCopy kept;
KeptCopy retired;

// The characters overwritten; the memory stays with the string.
void WipeText(std::wstring& text) {
    SecureZeroMemory(text.data(), text.size() * sizeof(wchar_t));
    text.clear();
}

void Wipe(KeptCopy& copy) {
    // Each block is wiped as its memory is given back; the text is wiped here.
    std::vector<KeptFormat>().swap(copy.formats);
    WipeText(copy.text);
    std::wstring().swap(copy.text);
}

enum class FormatUse { Skip, Memory, EnhancedMetafile };

// Which formats the owner offered itself, as far as can be told: the system offers each text
// format from whichever came first, and each bitmap and metafile form from another; those later
// ones are made on request and come back by themselves. GDI objects, and memory that holds GDI
// handles (CF_METAFILEPICT) or is not global memory (the private range), cannot be copied safely.
struct FormatSorter {
    bool textSeen = false;
    bool imageSeen = false;
    bool metafileSeen = false;

    static FormatUse FirstOf(bool& seen, FormatUse use) {
        return std::exchange(seen, true) ? FormatUse::Skip : use;
    }

    FormatUse UseOf(UINT format) {
        if (format >= 0xC000) return FormatUse::Memory;  // registered formats, a program's private ones too
        switch (format) {
        case CF_UNICODETEXT:
        case CF_TEXT:
        case CF_OEMTEXT: return FirstOf(textSeen, FormatUse::Memory);
        case CF_DIB:
        case CF_DIBV5: return FirstOf(imageSeen, FormatUse::Memory);
        case CF_ENHMETAFILE: return FirstOf(metafileSeen, FormatUse::EnhancedMetafile);
        case CF_DSPENHMETAFILE: return FormatUse::EnhancedMetafile;
        case CF_HDROP:
        case CF_DSPTEXT:
        case CF_SYLK:
        case CF_DIF:
        case CF_TIFF:
        case CF_PENDATA:
        case CF_RIFF:
        case CF_WAVE: return FormatUse::Memory;
        default: return FormatUse::Skip;  // CF_LOCALE (made from the text), CF_BITMAP, CF_PALETTE, ...
        }
    }
};

// A block of the retired copy that fits is written over instead of new memory being taken: each
// fresh page costs the system a fault, all while the clipboard is held. One more than twice the
// size is left to be wiped, so a small copy does not hold on to a large one's memory.
WipedBytes ReusedBlock(SIZE_T size) {
    for (KeptFormat& format : retired.formats) {
        const SIZE_T capacity = format.bytes.capacity();
        if (capacity >= size && capacity / 2 <= size) return std::exchange(format.bytes, {});
    }
    return {};
}

// `bytes` holds `size` bytes afterwards, whatever they are; what a reused block held beyond them
// is wiped first.
void SizeBlock(WipedBytes& bytes, SIZE_T size) {
    if (bytes.size() > size) SecureZeroMemory(bytes.data() + size, bytes.size() - size);
    bytes.resize(size);
}

bool CopyMemoryFormat(HANDLE handle, SIZE_T& total, WipedBytes& bytes) {
    const SIZE_T size = GlobalSize(handle);
    if (size == 0) return true;  // nothing to keep; the format is left out
    if (size > kOriginalCopyLimitBytes - total) return false;
    GlobalMemoryLock lock(handle);
    if (!lock.data()) return true;
    bytes = ReusedBlock(size);
    SizeBlock(bytes, size);
    std::memcpy(bytes.data(), lock.data(), size);
    total += size;
    return true;
}

bool CopyEnhancedMetafile(HANDLE handle, SIZE_T& total, WipedBytes& bytes) {
    const auto metafile = static_cast<HENHMETAFILE>(handle);
    const UINT size = GetEnhMetaFileBits(metafile, 0, nullptr);
    if (size == 0) return true;
    if (size > kOriginalCopyLimitBytes - total) return false;
    bytes = ReusedBlock(size);
    SizeBlock(bytes, size);
    if (GetEnhMetaFileBits(metafile, size, bytes.data()) != size) bytes.clear();
    total += size;
    return true;
}

bool HoldsExactly(HANDLE handle, const std::wstring& text) {
    return !text.empty() && GlobalSize(handle) == (text.size() + 1) * sizeof(wchar_t);
}

using UpdatedFormatsFunction = BOOL(WINAPI*)(PUINT formats, UINT count, PUINT written);

// The formats on the open clipboard in the owner's order. Systems since Vista give them in one
// call, where enumerating costs a call per format (under Wine, a round trip to its server each,
// all while the clipboard is held); older ones are enumerated. Looked up, since XP lacks it.
std::vector<UINT> OfferedFormats() {
    static const auto updatedFormats = reinterpret_cast<UpdatedFormatsFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetUpdatedClipboardFormats")));
    std::vector<UINT> formats(64);
    UINT count = 0;
    if (updatedFormats && updatedFormats(formats.data(), static_cast<UINT>(formats.size()), &count)) {
        formats.resize(count);
        return formats;
    }
    formats.clear();
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        formats.push_back(format);
    return formats;
}

// False when the original is over a limit; the formats read so far are then wiped with it.
bool CaptureFormats(HANDLE textBlock, const std::wstring& copiedText, CapturedOriginal& captured) {
    std::vector<KeptFormat>& formats = captured.formats;
    FormatSorter sorter;
    SIZE_T total = 0;
    ULONGLONG renderingMs = 0;
    for (const UINT format : OfferedFormats()) {
        const FormatUse use = sorter.UseOf(format);
        if (use == FormatUse::Skip) continue;
        // The owner may render the data only now, inside this call: that is the time that counts.
        const ULONGLONG start = GetTickCount64();
        const HANDLE handle = format == CF_UNICODETEXT && textBlock ? textBlock : GetClipboardData(format);
        renderingMs += GetTickCount64() - start;
        if (renderingMs > kOriginalCopyRenderLimitMs) return false;
        if (!handle) continue;
        // The text up to its first NUL was read by the run; a block that ends right there is that text.
        if (format == CF_UNICODETEXT && HoldsExactly(handle, copiedText)) {
            if (GlobalSize(handle) > kOriginalCopyLimitBytes - total) return false;
            total += GlobalSize(handle);
            captured.textPending = true;
            formats.push_back({format, false, {}});
            continue;
        }
        KeptFormat entry{format, use == FormatUse::EnhancedMetafile, {}};
        const bool withinLimit = entry.enhancedMetafile ? CopyEnhancedMetafile(handle, total, entry.bytes)
                                                        : CopyMemoryFormat(handle, total, entry.bytes);
        if (!withinLimit) return false;
        if (!entry.bytes.empty()) formats.push_back(std::move(entry));
    }
    return true;
}

bool PutKeptFormat(const KeptFormat& format) {
    const bool isKeptText = format.format == CF_UNICODETEXT && format.bytes.empty();
    const void* bytes = isKeptText ? static_cast<const void*>(kept.text.c_str()) : format.bytes.data();
    const SIZE_T size = isKeptText ? (kept.text.size() + 1) * sizeof(wchar_t) : format.bytes.size();
    if (format.enhancedMetafile) {
        const HENHMETAFILE metafile = SetEnhMetaFileBits(static_cast<UINT>(format.bytes.size()), format.bytes.data());
        if (!metafile) return false;
        if (PutClipboardData(format.format, metafile)) return true;
        DeleteEnhMetaFile(metafile);
        return false;
    }
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!block) return false;
    {
        GlobalMemoryLock lock(block.get());
        if (!lock.data()) return false;
        std::memcpy(lock.data(), bytes, size);
    }
    if (!PutClipboardData(format.format, block.get())) return false;
    block.release();  // the system owns it now
    return true;
}

}  // namespace

CapturedOriginal CaptureOriginal(HWND window, bool isPrivate, HANDLE textBlock, const std::wstring& copiedText) {
    CapturedOriginal captured;
    if (GetClipboardOwner() == window) {
        captured.kind = CapturedOriginal::Kind::OwnCopy;
        return captured;
    }
    if (isPrivate || !ProcessingOptions.KEEP_ORIGINAL) return captured;
    try {
        if (CaptureFormats(textBlock, copiedText, captured)) captured.kind = CapturedOriginal::Kind::Captured;
        else captured.formats.clear();
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

void DiscardCapturedOriginal(const CapturedOriginal& captured) {
    if (captured.kind != CapturedOriginal::Kind::OwnCopy) DropKeptOriginal();
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

std::wstring TakeRetiredTextMemory() {
    WipeText(retired.text);
    return std::exchange(retired.text, {});
}

bool HasKeptOriginal(HWND window) { return !kept.formats.empty() && window && GetClipboardOwner() == window; }

bool PutKeptOriginalOnClipboard() {
    if (!EmptyOpenClipboard()) return false;
    for (const KeptFormat& format : kept.formats)
        if (!PutKeptFormat(format)) return false;
    return true;
}

std::vector<UINT> KeptOriginalFormats() {
    std::vector<UINT> formats;
    for (const KeptFormat& format : kept.formats) formats.push_back(format.format);
    return formats;
}

bool CaptureEveryFormat(std::vector<KeptFormat>& formats) {
    CapturedOriginal captured;
    try {
        if (!CaptureFormats(nullptr, std::wstring(), captured)) return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    formats = std::move(captured.formats);
    return true;
}

bool PutFormatsOnClipboard(const std::vector<KeptFormat>& formats) {
    for (const KeptFormat& format : formats)
        if (!PutKeptFormat(format)) return false;
    return true;
}
