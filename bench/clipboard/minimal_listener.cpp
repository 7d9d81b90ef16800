// The reference of the clipboard benchmark: the least a format listener must do to rewrite a copied
// text as the only format. Ended by WM_CLOSE from the benchmark.
// With "/ask-owner" it first asks the clipboard's owner whether it answers, as a listener must that
// does not want to wait inside GetClipboardData for a hung program's rendering: the benchmark so
// shows what that one question costs beside what the rest of the work costs.
#include <windows.h>

#include <cwchar>

#include "reference_program.h"

namespace {

bool askOwner = false;

bool OwnerAnswers() {
    const HWND owner = GetClipboardOwner();
    DWORD_PTR ignored = 0;
    return !askOwner || !owner ||
           SendMessageTimeoutW(owner, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &ignored) != 0;
}

constexpr UINT_PTR kRetryTimer = 1;

void RewriteText(HWND window) {
    if (GetClipboardOwner() == window) return;
    if (!OpenClipboardSoon(window)) {
        SetTimer(window, kRetryTimer, 100, nullptr);  // held for longer: a listener must not lose the copy
        return;
    }
    if (OwnerAnswers()) PutTextAlone();
    CloseClipboard();
}

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    // Joined while the window is created: the benchmark may find the window, and copy, at once.
    case WM_CREATE: return AddClipboardFormatListener(window) ? 0 : -1;
    case WM_CLIPBOARDUPDATE: RewriteText(window); return 0;
    case WM_TIMER:
        KillTimer(window, kRetryTimer);
        RewriteText(window);
        return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    askOwner = wcsstr(commandLine, L"/ask-owner") != nullptr;
    HWND window = CreateReferenceWindow(instance, L"NuvelaMinimalListener", Procedure);
    if (!window) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    RemoveClipboardFormatListener(window);
    return 0;
}
