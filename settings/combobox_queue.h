#pragma once
// A most-recent-first history of up to 16 texts entered into a drop-down combobox, kept in the
// settings' store (ini section or REG_MULTI_SZ value) and mirrored into the combobox's list.
#include <string>
#include <vector>
#include <windows.h>

class ComboboxQueue {
public:
    static constexpr std::size_t kCapacity = 16;

    ComboboxQueue() = default;
    ComboboxQueue(const ComboboxQueue&) = delete;
    ComboboxQueue& operator=(const ComboboxQueue&) = delete;

    // Reads the history of `name` (ini section or registry value) and fills the combobox's list.
    void InitialiseIni(HWND combobox, const wchar_t* section);
    void InitialiseRegistry(HWND combobox, const wchar_t* valueName);
    // Picks the store by IniMode.
    void Initialise(HWND combobox, const wchar_t* name);

    // Records a newly used text on top, writes the history and refreshes the list.
    // False when the history could not be written; the entries in memory stay as pushed.
    bool Push(const std::wstring& text);
    void Release();

    const std::vector<std::wstring>& Entries() const { return entries_; }

private:
    bool Prepare(HWND combobox, const wchar_t* name, bool registry);
    void Take(const std::wstring& text);
    bool Write() const;
    bool WriteIni() const;
    bool WriteRegistry() const;
    void RefreshCombobox() const;

    std::vector<std::wstring> entries_;  // index 0 the most recent
    bool registry_ = false;
    std::wstring name_;
    HWND combobox_ = nullptr;
};
