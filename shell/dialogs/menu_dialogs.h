#pragma once
// Hands the main window the dialogs its menu opens and the floating button; called once at start, before the window exists.
void InstallMenuDialogs();
