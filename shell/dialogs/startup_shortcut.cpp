#include "startup_shortcut.h"

#include <utility>

#include <shlobj.h>
#include <shobjidl.h>

#include "language.h"
#include "scoped_win.h"

namespace {

constexpr size_t kMaxShortcutPath = 520;

std::wstring UserStartupFolder() {
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, &list))) return {};
    const UniqueCoTaskMemory owned(list);
    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(list, path)) return {};
    return path;
}

StartupFolderLookup startupFolderLookup = UserStartupFolder;

// Keeps the system's "insert a disk" box away from a shortcut on a drive that is not ready.
class CriticalErrorBoxesOff {
public:
    CriticalErrorBoxesOff() : previous_(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~CriticalErrorBoxesOff() { SetErrorMode(previous_); }
    CriticalErrorBoxesOff(const CriticalErrorBoxesOff&) = delete;
    CriticalErrorBoxesOff& operator=(const CriticalErrorBoxesOff&) = delete;

private:
    UINT previous_;
};

}  // namespace

std::wstring StartupShortcutPath() {
    const std::wstring folder = startupFolderLookup();
    if (folder.empty()) return {};
    std::wstring path = folder;
    if (path.back() != L'\\') path += L'\\';
    path += AppDisplayName + L".lnk";
    if (path.size() >= kMaxShortcutPath) return {};  // a cut path would name another file
    return path;
}

bool StartupShortcutExists(const std::wstring& path) {
    if (path.empty()) return false;
    const CriticalErrorBoxesOff quiet;
    WIN32_FIND_DATAW found = {};
    const UniqueFindHandle search(FindFirstFileW(path.c_str(), &found));
    return static_cast<bool>(search);
}

bool CreateStartupShortcut(const std::wstring& path, const std::wstring& target) {
    if (path.empty()) return false;
    ComPointer<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put())))
        return false;
    ComPointer<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put()))) return false;
    link->SetPath(target.c_str());
    link->SetShowCmd(SW_SHOW);
    link->SetWorkingDirectory(L"");
    link->SetIconLocation(nullptr, 0);
    link->SetHotkey(0);
    link->SetDescription(L"");
    link->SetArguments(L"");
    return file->Save(path.c_str(), TRUE) == S_OK;
}

bool DeleteStartupShortcut(const std::wstring& path) { return !path.empty() && DeleteFileW(path.c_str()); }

StartupFolderLookup SetStartupFolderLookup(StartupFolderLookup lookup) {
    return std::exchange(startupFolderLookup, lookup ? lookup : UserStartupFolder);
}
