// Stands in for "hh.exe" in the folder a test starts Nuvela from: it writes the command line it
// was given and the folder it runs in, one per line, to "help-viewer-ran.txt" there.
#include <cstdio>
#include <cwchar>
#include <windows.h>

int main() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::FILE* record = _wfopen(L"help-viewer-ran.txt", L"wb");
    if (!record) return 1;
    std::fwprintf(record, L"%ls\n%ls\n", GetCommandLineW(), folder);
    std::fclose(record);
    return 0;
}
