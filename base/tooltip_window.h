#pragma once
// Tooltips for dialog controls, from a table of control id and text: shared by the shell's dialogs
// and the About box, which knows nothing of the shell.
#include <span>
#include <windows.h>

struct TooltipEntry {
    int id;
    const wchar_t* text;
};

// The tooltip window (owned by the dialog, lives as long as it), or null when it cannot be made.
// The table ends at its end or at an entry with id 0 or without text.
HWND CreateDialogTooltips(HWND dialog, std::span<const TooltipEntry> table);

// Long texts wrap at the same width in 96-DPI units at every DPI: on a monitor of another DPI the
// tooltip's dialog calls this again with the new one.
void FitTooltipWidth(HWND tooltip, UINT dpi);
