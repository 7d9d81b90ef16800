#include "clipboard_data.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <shlobj.h>
#include <stdexcept>
#include <utility>

#include "ansi_text.h"

namespace {

SetClipboardDataFunction setClipboardData = ::SetClipboardData;
ClipboardSystemSteps systemSteps{::EmptyClipboard, ::GlobalAlloc, ::GlobalLock};

// A registered format keeps its id for the whole session: each marker is registered once, not on
// every copy (under Wine each registration is a round trip to its server, while the clipboard is held).
struct MarkerFormat {
    const wchar_t* name;
    UINT id = 0;  // 0 until registered
};
// Markers whose mere presence asks to be left alone.
MarkerFormat presenceMarkers[] = {{L"ExcludeClipboardContentFromMonitorProcessing"}, {L"Clipboard Viewer Ignore"}};
// Markers that ask it only when they hold the DWORD 0.
MarkerFormat valueMarkers[] = {{L"CanIncludeInClipboardHistory"}, {L"CanUploadToCloudClipboard"}};
// Marker data is a DWORD or nothing; more is neither read nor written back.
constexpr SIZE_T kMarkerDataLimit = 64;

// Splits a double-NUL-terminated list of `Char` strings in [begin, end); false when it runs past end.
template <typename Char, typename Convert>
bool SplitNulList(const Char* begin, const Char* end, std::vector<std::wstring>& paths, Convert convert) {
    const Char* name = begin;
    while (name < end) {
        const Char* nul = std::find(name, end, Char(0));
        if (nul == end) return false;
        if (nul == name) return true;  // the empty name ends the list
        paths.push_back(convert(name, nul));
        name = nul + 1;
    }
    return false;
}

WipedMemoryCheck wipedMemoryCheck = nullptr;

template <typename Text>
TextCopyResult CopyTextInto(HANDLE block, Text& text) {
    const SIZE_T size = GlobalSize(block);
    GlobalMemoryLock lock(block, systemSteps.lockBlock);
    if (!lock.data()) return TextCopyResult::LockFailed;
    // An odd last byte is no code unit, and a block without NUL ends at its size.
    const SIZE_T units = size / sizeof(wchar_t);
    const wchar_t* data = static_cast<const wchar_t*>(lock.data());
    try {
        text.assign(data, std::find(data, data + units, L'\0'));
    } catch (const std::bad_alloc&) {
        return TextCopyResult::CopyFailed;
    } catch (const std::length_error&) {
        return TextCopyResult::CopyFailed;
    }
    return TextCopyResult::Copied;
}

}  // namespace

void WipeBeforeRelease(void* memory, std::size_t bytes) {
    SecureZeroMemory(memory, bytes);
    if (wipedMemoryCheck) wipedMemoryCheck(memory, bytes);
}

WipedMemoryCheck SetWipedMemoryCheck(WipedMemoryCheck check) { return std::exchange(wipedMemoryCheck, check); }

TextCopyResult CopyTextBlock(HANDLE block, std::wstring& text) { return CopyTextInto(block, text); }
TextCopyResult CopyTextBlock(HANDLE block, WipedText& text) { return CopyTextInto(block, text); }

bool ReadDropList(HANDLE block, std::vector<std::wstring>& paths) {
    paths.clear();
    if (!block) return false;
    const SIZE_T size = GlobalSize(block);
    GlobalMemoryLock lock(block);
    if (!lock.data() || size < sizeof(DROPFILES)) return false;
    DROPFILES header;
    std::memcpy(&header, lock.data(), sizeof header);
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= size) return false;

    const BYTE* names = static_cast<const BYTE*>(lock.data()) + header.pFiles;
    const SIZE_T bytes = size - header.pFiles;
    if (header.fWide) {
        // The offset need not be aligned: copy the units out before looking at them.
        std::wstring units(bytes / sizeof(wchar_t), L'\0');
        std::memcpy(units.data(), names, units.size() * sizeof(wchar_t));
        return SplitNulList(units.data(), units.data() + units.size(), paths,
                            [](const wchar_t* b, const wchar_t* e) { return std::wstring(b, e); });
    }
    const char* ansi = reinterpret_cast<const char*>(names);
    return SplitNulList(ansi, ansi + bytes, paths,
                        [](const char* b, const char* e) { return WideFromAnsi(b, static_cast<int>(e - b)); });
}

std::wstring FileListText(const std::vector<std::wstring>& paths, bool fullPaths) {
    std::wstring text;
    for (const std::wstring& path : paths) {
        const size_t slash = path.rfind(L'\\');
        text += fullPaths || slash == std::wstring::npos ? path : path.substr(slash + 1);
        text += L"\r\n";
    }
    return text;
}

BlockResult MakeTextBlock(std::wstring_view text, UniqueGlobal& block) {
    const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
    block.reset(systemSteps.allocBlock(GMEM_MOVEABLE, bytes));
    if (!block) return BlockResult::AllocFailed;
    GlobalMemoryLock lock(block.get(), systemSteps.lockBlock);
    if (!lock.data()) {
        block.reset();
        return BlockResult::LockFailed;
    }
    wchar_t* data = static_cast<wchar_t*>(lock.data());
    std::memcpy(data, text.data(), text.size() * sizeof(wchar_t));
    data[text.size()] = L'\0';
    return BlockResult::Made;
}

HANDLE PutClipboardData(UINT format, HANDLE data) { return setClipboardData(format, data); }

SetClipboardDataFunction SetClipboardDataStep(SetClipboardDataFunction function) {
    return std::exchange(setClipboardData, function ? function : ::SetClipboardData);
}

ClipboardSystemSteps SetClipboardSystemSteps(const ClipboardSystemSteps& steps) {
    return std::exchange(systemSteps, {steps.emptyClipboard ? steps.emptyClipboard : ::EmptyClipboard,
                                       steps.allocBlock ? steps.allocBlock : ::GlobalAlloc,
                                       steps.lockBlock ? steps.lockBlock : ::GlobalLock});
}

bool EmptyOpenClipboard() { return systemSteps.emptyClipboard(); }

bool PutTextOnClipboard(std::wstring_view text) {
    UniqueGlobal block;
    if (MakeTextBlock(text, block) != BlockResult::Made) return false;
    if (!PutClipboardData(CF_UNICODETEXT, block.get())) return false;
    block.release();  // the system owns it now
    return true;
}

bool CopyBlockBytes(HANDLE block, SIZE_T limit, std::vector<BYTE>& bytes) {
    if (!block) return false;
    const SIZE_T size = GlobalSize(block);
    GlobalMemoryLock lock(block);
    if (!lock.data()) return false;
    const BYTE* data = static_cast<const BYTE*>(lock.data());
    bytes.assign(data, data + std::min(size, limit));
    return true;
}

bool PutBytesOnClipboard(UINT format, const std::vector<BYTE>& bytes, SIZE_T minimumSize) {
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, std::max(bytes.size(), minimumSize)));
    if (!block) return false;
    {
        GlobalMemoryLock lock(block.get());
        if (!lock.data()) return false;
        if (!bytes.empty()) std::memcpy(lock.data(), bytes.data(), bytes.size());
    }
    if (!PutClipboardData(format, block.get())) return false;
    block.release();  // the system owns it now
    return true;
}

using UpdatedFormatsFunction = BOOL(WINAPI*)(PUINT formats, UINT count, PUINT written);

std::vector<UINT> OfferedClipboardFormats() {
    // Looked up, since XP lacks it.
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

bool IsOffered(const std::vector<UINT>& offered, UINT format) {
    return std::find(offered.begin(), offered.end(), format) != offered.end();
}

PrivacyMarkers ReadPrivacyMarkers(const std::vector<UINT>& offered) {
    PrivacyMarkers markers;
    auto read = [&](MarkerFormat& marker, bool byValue) {
        if (!marker.id) marker.id = RegisterClipboardFormatW(marker.name);
        if (!marker.id || !IsOffered(offered, marker.id)) return;
        PrivacyMarkers::Marker present{marker.id, {}};
        const bool readable = CopyBlockBytes(GetClipboardData(marker.id), kMarkerDataLimit, present.data);
        if (!byValue) {
            markers.isPrivate = markers.monitorsExcluded = true;
        } else if (readable && present.data.size() >= sizeof(DWORD)) {
            DWORD value;
            std::memcpy(&value, present.data.data(), sizeof value);
            if (value == 0) markers.isPrivate = true;
        }
        markers.present.push_back(std::move(present));
    };
    for (MarkerFormat& marker : presenceMarkers) read(marker, false);
    for (MarkerFormat& marker : valueMarkers) read(marker, true);
    return markers;
}

void WritePrivacyMarkers(const PrivacyMarkers& markers) {
    // A marker whose data could not be read goes back as the DWORD 0 that says "keep private".
    for (const PrivacyMarkers::Marker& marker : markers.present)
        (void)PutBytesOnClipboard(marker.format, marker.data, sizeof(DWORD));
}
