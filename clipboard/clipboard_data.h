#pragma once
// Reading and writing clipboard blocks. The blocks come from any program, so nothing here reads
// past GlobalSize or trusts a terminating NUL or an offset it has not checked.
#include <memory>
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

#include "scoped_win.h"

// Overwrites `bytes` at `memory` just before a wiping allocator gives them back.
void WipeBeforeRelease(void* memory, std::size_t bytes);
// Sees each such block right after its wipe; for the tests. Null sees nothing. Returns the previous.
using WipedMemoryCheck = void (*)(const void* memory, std::size_t bytes);
WipedMemoryCheck SetWipedMemoryCheck(WipedMemoryCheck check);

// Memory that is overwritten before it is given back, whichever way it goes: what another program
// copied stays in our memory no longer than we keep it.
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
        WipeBeforeRelease(memory, count * sizeof(T));
        std::allocator<T>::deallocate(memory, count);
    }
};
using WipedBytes = std::vector<BYTE, WipingAllocator<BYTE>>;
using WipedText = std::basic_string<wchar_t, std::char_traits<wchar_t>, WipingAllocator<wchar_t>>;

enum class TextCopyResult { Copied, LockFailed, CopyFailed };

// The CF_UNICODETEXT block up to its first NUL or its end, whichever comes first.
[[nodiscard]] TextCopyResult CopyTextBlock(HANDLE block, std::wstring& text);
[[nodiscard]] TextCopyResult CopyTextBlock(HANDLE block, WipedText& text);

// The paths of a CF_HDROP block in drop order; false when the block is not a well-formed list.
[[nodiscard]] bool ReadDropList(HANDLE block, std::vector<std::wstring>& paths);

// Each path (or only what follows its last backslash), each followed by CR LF.
std::wstring FileListText(const std::vector<std::wstring>& paths, bool fullPaths);

enum class BlockResult { Made, AllocFailed, LockFailed };

// A movable block holding `text` and its NUL, ready for SetClipboardData.
[[nodiscard]] BlockResult MakeTextBlock(std::wstring_view text, UniqueGlobal& block);

// SetClipboardData, replaceable so tests can make the clipboard refuse a write.
using SetClipboardDataFunction = HANDLE (*)(UINT format, HANDLE data);
HANDLE PutClipboardData(UINT format, HANDLE data);
SetClipboardDataFunction SetClipboardDataStep(SetClipboardDataFunction function);

// The other calls of a run that a busy or short-of-memory system can fail: emptying the clipboard,
// and allocating and locking the blocks of text read from it and written to it. Replaceable so
// tests can fail each one; a null member is the system's own call. Returns the previous steps.
struct ClipboardSystemSteps {
    BOOL(WINAPI* emptyClipboard)() = nullptr;
    HGLOBAL(WINAPI* allocBlock)(UINT flags, SIZE_T bytes) = nullptr;
    LPVOID(WINAPI* lockBlock)(HGLOBAL block) = nullptr;
};
ClipboardSystemSteps SetClipboardSystemSteps(const ClipboardSystemSteps& steps);

[[nodiscard]] bool EmptyOpenClipboard();

// Puts `text` on the open clipboard as CF_UNICODETEXT; the block then belongs to the system.
[[nodiscard]] bool PutTextOnClipboard(std::wstring_view text);

// The bytes of a block, at most `limit` of them; false when it cannot be read.
[[nodiscard]] bool CopyBlockBytes(HANDLE block, SIZE_T limit, std::vector<BYTE>& bytes);
// Puts a block of at least `minimumSize` bytes (zeros after `bytes`) on the open clipboard.
[[nodiscard]] bool PutBytesOnClipboard(UINT format, const std::vector<BYTE>& bytes, SIZE_T minimumSize = 0);

// The formats on the open clipboard in the owner's order. Systems since Vista give them in one
// call, where asking for each costs a call per format (under Wine, a round trip to its server each,
// all while the clipboard is held); older ones are enumerated.
std::vector<UINT> OfferedClipboardFormats();

// Formats by which password managers and the like ask monitors to leave their data alone.
struct PrivacyMarkers {
    struct Marker {
        UINT format;
        std::vector<BYTE> data;
    };
    std::vector<Marker> present;
    bool isPrivate = false;
    bool monitorsExcluded = false;  // a marker that asks monitors, by its presence, to leave the copy alone
};

// Whether `format` is among `offered`, a list read by OfferedClipboardFormats.
bool IsOffered(const std::vector<UINT>& offered, UINT format);

// Reads the markers offered by the open clipboard; `offered`: its formats, as read for the run.
PrivacyMarkers ReadPrivacyMarkers(const std::vector<UINT>& offered);
// Puts the markers back on the open clipboard after a forced run rewrote private text.
void WritePrivacyMarkers(const PrivacyMarkers& markers);
