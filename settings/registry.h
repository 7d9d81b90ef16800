#pragma once
// REGW: one value at a time under HKEY_CURRENT_USER\Software\Tavernel\Nuvela\CurrentVersion.
// Registry failures come back as false or the caller's default; misuse (opening twice, closing
// twice, reading or writing while closed, destruction while open) is repaired and reported in a
// "Registory Class" warning box.
#include <string>
#include <windows.h>

#include "language.h"
#include "scoped_win.h"

// Units of every text buffer handed to ReadStringW, the terminator included.
inline constexpr DWORD kRegistryTextUnits = 2050;

// Language of REGW's warning boxes; Japanese until start-up switches it once.
extern Language RegistryMessageLanguage;
void UseEnglishRegistryMessages();

class REGW {
public:
    static constexpr int kCreate = 1;    // create the key when it cannot be opened
    static constexpr int kReadOnly = 2;  // KEY_READ instead of KEY_ALL_ACCESS

    REGW() = default;
    ~REGW();
    REGW(const REGW&) = delete;
    REGW& operator=(const REGW&) = delete;

    bool OpenKey(int flags);
    bool CloseKey();
    bool IsOpen() const { return static_cast<bool>(key_); }

    // `buffer` holds kRegistryTextUnits units; it is always terminated within them afterwards.
    bool ReadStringW(const wchar_t* name, wchar_t* buffer);
    // The whole text of a value however long, up to its first NUL; empty and false when it cannot
    // be read. For texts of our own that outgrow the fixed buffer.
    bool ReadWholeStringW(const wchar_t* name, std::wstring& text);
    int ReadIntegerW(const wchar_t* name, int defaultValue);
    bool WriteStringW(const wchar_t* name, const std::wstring& text);
    bool WriteIntegerW(const wchar_t* name, int value);

private:
    UniqueKey key_;
};
