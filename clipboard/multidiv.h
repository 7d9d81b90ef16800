#pragma once
// Re-copying a multi-line result line by line on IDT_MULTIDIV.
#include <string>
#include <windows.h>

void StartMultiDiv(HWND window, const std::wstring& text);
void StopMultiDiv(HWND window);
void OnMultiDivTimer(HWND window);
// A cycle is under way: its timer is set and MultiDiv and monitoring are on. Switching either off
// ends the cycle, also when the timer itself is stopped directly (KillTimer) rather than here.
bool MultiDivRunning();
