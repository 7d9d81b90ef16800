#pragma once
// Opening a topic of the compiled help file with the HTML Help control.
#include <windows.h>

// Opens ".\Nuvela.chm::/_RESOURCE/<topic>" (or ".\Nuvela.chm" for null) with the HTML Help control;
// false when no help window opened.
bool OpenHelpTopic(HWND owner, const wchar_t* topic);

using HtmlHelpFunction = HWND(WINAPI*)(HWND owner, const wchar_t* file, UINT command, DWORD_PTR data);
using HtmlHelpLoader = HtmlHelpFunction (*)();
// Tests put in a loader (null restores the system one); the remembered library and failure are
// forgotten. Returns the loader that was in place.
HtmlHelpLoader SetHtmlHelpLoader(HtmlHelpLoader loader);
