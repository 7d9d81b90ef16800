#pragma once
// Re-copying a multi-line result line by line on IDT_MULTIDIV.
#include <string>
#include <windows.h>

void StartMultiDiv(HWND window, const std::wstring& text);
void StopMultiDiv(HWND window);
void OnMultiDivTimer(HWND window);
bool MultiDivRunning();
