#include "tooltip_window.h"

#include <commctrl.h>

#include "dpi.h"

namespace {

constexpr int kMaxTipWidth96 = 400;  // long Japanese texts wrap instead of running across the screen

void AddTool(HWND tooltip, HWND dialog, const TooltipEntry& entry) {
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;  // the full record is refused by common controls before version 6
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, entry.id));
    tool.lpszText = const_cast<wchar_t*>(entry.text);
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace

HWND CreateDialogTooltips(HWND dialog, std::span<const TooltipEntry> table) {
    const INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES};  // registers the tooltip class
    InitCommonControlsEx(&classes);
    HWND tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (!tooltip) return nullptr;
    FitTooltipWidth(tooltip, DpiOf(dialog));
    for (const TooltipEntry& entry : table) {
        if (entry.id == 0 || !entry.text) break;
        AddTool(tooltip, dialog, entry);
    }
    return tooltip;
}

void FitTooltipWidth(HWND tooltip, UINT dpi) {
    SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, ScaleForDpi(kMaxTipWidth96, dpi));
}
