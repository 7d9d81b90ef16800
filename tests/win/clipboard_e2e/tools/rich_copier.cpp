// RichCopier.exe TEXT: another program for the end-to-end tests, with a name of its own. It copies
// TEXT as Unicode text and as "HTML Format" from a window of its own, and stays, as the clipboard's
// owner, until it is ended (at the latest after a minute).
#include <cstring>
#include <string>
#include <windows.h>

namespace {

bool Offer(UINT format, const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return false;
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    if (SetClipboardData(format, block)) return true;
    GlobalFree(block);
    return false;
}

bool CopyRichText(HWND owner, const std::wstring& text) {
    for (int attempt = 0; !OpenClipboard(owner); ++attempt) {
        if (attempt == 250) return false;  // another program holds it for too long
        Sleep(20);
    }
    EmptyClipboard();
    const std::string html = "<b>" + std::string(text.begin(), text.end()) + "</b>";  // ASCII texts only
    const bool offered = Offer(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t)) &&
                         Offer(RegisterClipboardFormatW(L"HTML Format"), html.c_str(), html.size() + 1);
    CloseClipboard();
    return offered;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    HWND owner = CreateWindowExW(0, L"STATIC", L"RichCopier", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (!owner || !CopyRichText(owner, argv[1])) return 1;
    SetTimer(nullptr, 0, 60000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER) break;
        DispatchMessageW(&message);
    }
    DestroyWindow(owner);
    return 0;
}
