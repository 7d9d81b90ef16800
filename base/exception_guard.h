#pragma once
// The one boundary where exceptions stop: window and dialog procedures, timer steps and the
// clipboard service run their work through CallGuarded, so none crosses into the system's code.
#include <exception>
#include <windows.h>

// The message box for a caught exception; `caught` is null for one that is no std::exception.
void ReportCaughtException(HWND window, const std::exception* caught) noexcept;

// Runs `body`; an exception is reported and `fallback` returned instead.
template <typename Result, typename Body>
Result CallGuarded(HWND window, Result fallback, Body&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& caught) {
        ReportCaughtException(window, &caught);
    } catch (...) {
        ReportCaughtException(window, nullptr);
    }
    return fallback;
}

template <typename Body>
void CallGuarded(HWND window, Body&& body) noexcept {
    CallGuarded(window, 0, [&] {
        body();
        return 0;
    });
}
