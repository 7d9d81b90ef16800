#pragma once
// The "Orvanel" about box: the version and copyright, the maker's links, the terms notice and the
// environment report. It knows nothing of the program that shows it: all it needs comes in
// AboutBoxParams.
#include <string>
#include <windows.h>

struct AboutBoxParams {
    bool japanese = false;        // every text and the font
    int iconId = 0;               // shown top left, from `instance`
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
    std::wstring productName;     // the version line and the caption of error boxes
    std::wstring webSite;         // empty: none
    std::wstring contact;         // an e-mail address or a web address; empty: none
    std::wstring contributionUrl; // empty: none, and the contribution button is hidden
    std::wstring notice;          // the terms notice
    std::wstring feedbackUrl;     // empty: none, and the feedback button is hidden
};

enum AboutControl {
    IDC_ABOUT_VERSION = 2002,
    IDC_ABOUT_CONTACT = 2003,   // the rich edit box, present when its library loaded
    IDC_ABOUT_NOTICE = 2004,
    IDC_ABOUT_ENVIRONMENT = 2005,
    IDC_ABOUT_CONTRIBUTION = 2006,
    IDC_ABOUT_ICON = 2007,
    IDC_ABOUT_FEEDBACK = 2009,
};
constexpr UINT_PTR IDT_ABOUT_LINK_LOCK = 2008;  // keeps a double click from opening two browsers

// Shows the modal About box and returns when the user closes it; false when it could not be shown.
bool ShowAboutBox(const AboutBoxParams& params);

// How an address is opened: ShellExecuteW's "open" in a normal window unless a test records
// instead. Returns what ShellExecuteW returns (32 or less is a failure). Returns the previous.
using ShellOpenFunction = INT_PTR (*)(HWND window, const std::wstring& address, const std::wstring& directory);
ShellOpenFunction SetShellOpenFunction(ShellOpenFunction function);

// How the rich edit library is loaded: from the system directory unless a test says otherwise.
using LibraryLoader = HMODULE (*)(const wchar_t* name);
LibraryLoader SetRichEditLoader(LibraryLoader loader);
