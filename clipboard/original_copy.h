#pragma once
// The copy another program made, kept in memory just before Nuvela replaces it, so the user can
// have it back. It belongs to that copy: it is good only while the clipboard holds our result or
// our restore of it, is wiped whenever it is dropped or replaced, and never goes to disk.
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

// An original larger than this in all, or whose owner takes longer than this to render its
// formats, is not kept, and what was kept before goes too: a restore never brings back an older copy.
inline constexpr SIZE_T kOriginalCopyLimitBytes = 64 * 1024 * 1024;
inline constexpr ULONGLONG kOriginalCopyRenderLimitMs = 1000;

// Bytes that are overwritten before their memory is given back, whichever way they go.
template <typename T>
struct WipingAllocator : std::allocator<T> {
    using value_type = T;
    template <typename U>
    struct rebind {
        using other = WipingAllocator<U>;
    };
    WipingAllocator() = default;
    template <typename U>
    WipingAllocator(const WipingAllocator<U>&) noexcept {}
    void deallocate(T* memory, std::size_t count) noexcept {
        SecureZeroMemory(memory, count * sizeof(T));
        std::allocator<T>::deallocate(memory, count);
    }
};
using WipedBytes = std::vector<BYTE, WipingAllocator<BYTE>>;

struct KeptFormat {
    UINT format;
    bool enhancedMetafile;  // the bits of an HENHMETAFILE; every other format is a global memory block
    WipedBytes bytes;
};

// What the clipboard offered just before a run replaced it.
struct CapturedOriginal {
    enum class Kind {
        OwnCopy,   // the clipboard held our own result or restore: what is kept stays
        NotKept,   // switched off, privacy-marked, too large or too slow: what is kept goes
        Captured,  // `formats` replaces what is kept once the result is written
    };
    Kind kind = Kind::NotKept;
    std::vector<KeptFormat> formats;
    // A CF_UNICODETEXT block that holds exactly the run's copied text and its NUL is not copied a
    // second time while the clipboard is open: its entry stays empty, and the run moves its own
    // copy of the text into `text`, which is kept in its place.
    bool textPending = false;
    std::wstring text;
};

// The clipboard is open by `window` for a run about to replace its contents. Reads every format
// that can be copied safely, in the owner's order, within the limits above. `textBlock` and
// `copiedText`: the CF_UNICODETEXT block the run has read, and its text, if any.
CapturedOriginal CaptureOriginal(HWND window, bool isPrivate, HANDLE textBlock = nullptr,
                                 const std::wstring& copiedText = {});
// After the run's result is on the clipboard: the captured original becomes the kept copy.
void KeepCapturedOriginal(CapturedOriginal&& captured);
// After a run that emptied the clipboard and then put the copy back itself, as it failed to write:
// nothing is kept, and what was kept goes too unless the copy was our own.
void DiscardCapturedOriginal(const CapturedOriginal& captured);

// Wipes and drops the kept copy; called wherever another program's copy is left alone.
void DropKeptOriginal();
// Another program's copy has come, so the kept copy can no longer be given back. Its blocks stay
// until WipeRetiredOriginal (or DropKeptOriginal), once the run that copy starts is over: the run
// writes the new original over those that fit, and no wiping holds the clipboard meanwhile.
void RetireKeptOriginal();
void WipeRetiredOriginal();
// The retired copy's text, wiped, as an empty string a run can copy the next text into: its pages
// are at hand, where fresh memory costs the system a fault a page while the clipboard is held.
std::wstring TakeRetiredTextMemory();
// Whether there is a kept copy that belongs to what the clipboard holds now.
bool HasKeptOriginal(HWND window);
// The clipboard is open by `window`: empties it and puts every kept format back in kept order.
// False when a format could not be written; the kept copy stays either way.
[[nodiscard]] bool PutKeptOriginalOnClipboard();
// The formats kept, in order; for the tests and the benchmark.
std::vector<UINT> KeptOriginalFormats();

// The clipboard is open: every format that can be copied safely, in the owner's order and within the
// limits above, whoever owns it and however it is marked (privacy markers with data are formats like
// any other). False, with nothing taken, when the copy is over a limit.
[[nodiscard]] bool CaptureEveryFormat(std::vector<KeptFormat>& formats);
// The clipboard is open: puts each format on it in order, without emptying it first. False when
// one could not be written.
[[nodiscard]] bool PutFormatsOnClipboard(const std::vector<KeptFormat>& formats);
