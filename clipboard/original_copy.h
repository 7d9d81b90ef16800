#pragma once
// The copy another program made, kept in memory just before Nuvela replaces it, so the user can
// have it back. It belongs to that copy: it is good only while the clipboard holds our result or
// our restore of it, is wiped whenever it is dropped or replaced, and never goes to disk.
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

#include "clipboard_data.h"

// An original that would hold more memory than this in all, or whose owner takes longer than this
// to render its formats (the run's own reads included), is not kept, and what was kept before goes
// too: a restore never brings back an older copy.
inline constexpr SIZE_T kOriginalCopyLimitBytes = 64 * 1024 * 1024;
inline constexpr ULONGLONG kOriginalCopyRenderLimitMs = 1000;

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
    WipedText text;
};

// The clipboard is open by `window` for a run about to replace its contents. Reads every format
// that can be copied safely within the limits above: the text formats first, then "HTML Format"
// and "Rich Text Format", then the rest; they are kept in the owner's order. `textBlock` and
// `copiedText`: the CF_UNICODETEXT block the run has read, and its text, if any; `renderedMs`:
// how long the run's own reads of the clipboard took. `ownCopy`: the clipboard is `window`'s own
// (nothing is captured then); `offered`: its formats, as the run read them once it had it open.
CapturedOriginal CaptureOriginal(bool ownCopy, const std::vector<UINT>& offered, bool isPrivate,
                                 HANDLE textBlock = nullptr, const WipedText& copiedText = {},
                                 ULONGLONG renderedMs = 0);
// After the run's result is on the clipboard: the captured original becomes the kept copy.
void KeepCapturedOriginal(CapturedOriginal&& captured);
// The clipboard is open: puts each format on it in order, without emptying it first. False when
// one could not be written.
[[nodiscard]] bool PutFormatsOnClipboard(const std::vector<KeptFormat>& formats);
// The clipboard is open and empty after a run failed to write its result: puts every captured
// format back in the owner's order, `copiedText` for a CF_UNICODETEXT entry the capture left to
// the run. False when nothing was captured or a format could not be written.
[[nodiscard]] bool PutCapturedOriginalOnClipboard(const CapturedOriginal& captured, std::wstring_view copiedText);

// Wipes and drops the kept copy; called wherever another program's copy is left alone.
void DropKeptOriginal();
// Another program's copy has come, so the kept copy can no longer be given back. Its blocks stay
// until WipeRetiredOriginal (or DropKeptOriginal), once the run that copy starts is over: the run
// writes the new original over those that fit, and no wiping holds the clipboard meanwhile.
void RetireKeptOriginal();
void WipeRetiredOriginal();
// The retired copy's text, wiped, as an empty string a run can copy a text of `units` into: its
// pages are at hand, where fresh memory costs the system a fault a page while the clipboard is
// held. Empty when it is too small, or over twice the size (it would hold memory for nothing).
WipedText TakeRetiredTextMemory(size_t units);
// Whether there is a kept copy that belongs to what the clipboard holds now.
bool HasKeptOriginal(HWND window);
// The clipboard is open by `window` and holds our result: empties it and puts every kept format
// back in kept order. When a format cannot be written, the clipboard is emptied again and what it
// held before goes back (PutBack). The kept copy stays either way.
enum class RestoreWrite { Written, PutBack, Failed };
[[nodiscard]] RestoreWrite PutKeptOriginalOnClipboard();
// The clipboard is open: empties it and puts `formats` on it (`pendingText` for a CF_UNICODETEXT
// entry left empty), or, when one cannot be written, what it held before (PutBack).
[[nodiscard]] RestoreWrite ReplaceClipboardContents(const std::vector<KeptFormat>& formats, std::wstring_view pendingText);
// The formats kept, in order, and the memory the kept copy holds; for the tests and the benchmark.
std::vector<UINT> KeptOriginalFormats();
SIZE_T KeptOriginalHeldBytes();

// The clipboard is open: every format that can be copied safely, in the owner's order and within the
// memory limit above (the owner's rendering time is not limited), whoever owns it and however it is
// marked (privacy markers with data are formats like any other); `offered`: the clipboard's formats,
// as the caller read them. False, with nothing taken, when the copy is over the limit.
[[nodiscard]] bool CaptureEveryFormat(const std::vector<UINT>& offered, std::vector<KeptFormat>& formats);
