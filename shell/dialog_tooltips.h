#pragma once
// Tooltips for dialog controls, from a table of control id and text per dialog and language.
#include <span>
#include <windows.h>

#include "tooltip_window.h"

// The tables of the current LanguageMode.
std::span<const TooltipEntry> HotkeyDialogTooltips();
std::span<const TooltipEntry> RegexDialogTooltips();
std::span<const TooltipEntry> SettingsDialogTooltips();
std::span<const TooltipEntry> AppRulesDialogTooltips();
