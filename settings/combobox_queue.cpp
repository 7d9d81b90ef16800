#include "combobox_queue.h"

#include <algorithm>

#include "message_box.h"
#include "scoped_win.h"
#include "settings.h"

namespace {

constexpr DWORD kIniEntryUnits = 1024;

}  // namespace

// Both initialisers start here; false leaves the queue empty and unbound.
bool ComboboxQueue::Prepare(HWND combobox, const wchar_t* name, bool registry) {
    Release();
    if (!combobox || !name) return false;
    // A sorted list cannot show the most-recent-first order.
    if (GetWindowLongPtrW(combobox, GWL_STYLE) & CBS_SORT)
        ShowMessageBox(nullptr, L"Warning: Combobox Control has CBS_SORT style!", L"ComboboxQueue",
                       MB_OK | MB_ICONERROR);
    registry_ = registry;
    name_ = name;
    combobox_ = combobox;
    entries_.reserve(kCapacity);
    return true;
}

void ComboboxQueue::Take(const std::wstring& text) {
    entries_.push_back(text);
    SendMessageW(combobox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Keys "0" to "15"; the history ends at the first empty one.
void ComboboxQueue::InitialiseIni(HWND combobox, const wchar_t* section) {
    if (!Prepare(combobox, section, false)) return;
    for (std::size_t i = 0; i < kCapacity; ++i) {
        wchar_t buffer[kIniEntryUnits] = {};
        GetPrivateProfileStringW(name_.c_str(), std::to_wstring(i).c_str(), L"", buffer, kIniEntryUnits,
                                 kIniFileName);
        if (!buffer[0]) break;
        Take(buffer);
    }
}

void ComboboxQueue::InitialiseRegistry(HWND combobox, const wchar_t* valueName) {
    if (!Prepare(combobox, valueName, true)) return;
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, KEY_READ, &opened) != ERROR_SUCCESS) return;
    const UniqueKey key(opened);
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), name_.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size == 0)
        return;
    // Three zero units past the data: the walk below always meets a double terminator.
    std::vector<wchar_t> data((size + 1) / sizeof(wchar_t) + 3, L'\0');
    DWORD readSize = size;
    if (RegQueryValueExW(key.get(), name_.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &readSize) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        return;
    const wchar_t* position = data.data();
    do {  // the first text counts even when it is empty
        const std::wstring text(position);
        Take(text);
        position += text.size() + 1;
    } while (*position && entries_.size() < kCapacity);
}

void ComboboxQueue::Initialise(HWND combobox, const wchar_t* name) {
    if (IniMode)
        InitialiseIni(combobox, name);
    else
        InitialiseRegistry(combobox, name);
}

// Exact comparison: two patterns that differ in any unit are different patterns.
bool ComboboxQueue::Push(const std::wstring& text) {
    if (!combobox_) return false;
    const auto found = std::find(entries_.begin(), entries_.end(), text);
    if (found == entries_.end()) {
        if (entries_.size() == kCapacity) entries_.pop_back();
        entries_.insert(entries_.begin(), text);
    } else if (found == entries_.begin()) {
        return true;  // already the most recent: nothing to write
    } else {
        std::rotate(entries_.begin(), found, found + 1);
    }
    const bool written = Write();
    RefreshCombobox();
    return written;
}

void ComboboxQueue::Release() {
    entries_.clear();
    entries_.shrink_to_fit();
    name_.clear();
    combobox_ = nullptr;
    registry_ = false;
}

bool ComboboxQueue::Write() const { return registry_ ? WriteRegistry() : WriteIni(); }

// The section is rewritten whole, so no key beyond the history's length remains; as the settings,
// the history reaches the file whole or not at all.
bool ComboboxQueue::WriteIni() const {
    IniSaveCopy copy;
    (void)copy.Write(name_.c_str(), nullptr, nullptr);  // absent is as good as deleted
    bool written = copy.Prepared();
    for (std::size_t i = 0; i < entries_.size(); ++i)
        written = copy.Write(name_.c_str(), std::to_wstring(i).c_str(), ProfileValue(entries_[i]).c_str()) && written;
    return written && copy.Commit();
}

bool ComboboxQueue::WriteRegistry() const {
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRegistrySubkey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &created, nullptr) != ERROR_SUCCESS)
        return false;
    const UniqueKey key(created);
    std::wstring data;
    for (const std::wstring& entry : entries_) {
        data += entry;
        data += L'\0';
    }
    data += L'\0';
    return RegSetValueExW(key.get(), name_.c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void ComboboxQueue::RefreshCombobox() const {
    SendMessageW(combobox_, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    for (LRESULT count = SendMessageW(combobox_, CB_GETCOUNT, 0, 0); count > 0; --count)
        SendMessageW(combobox_, CB_DELETESTRING, 0, 0);
    for (const std::wstring& entry : entries_)
        SendMessageW(combobox_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    SendMessageW(combobox_, CB_SETCURSEL, 0, 0);
}
