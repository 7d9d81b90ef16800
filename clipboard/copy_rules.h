#pragma once
// Which copies automatic processing leaves entirely as they are: those of the programs the rule
// (APP_RULE, APP_LIST) names, and the next one after "Leave the next copy as it is" or "/N".
// What the user asks for (the menu, hotkey 2, the floating button, "/R") processes regardless.
#include <string>
#include <string_view>
#include <vector>
#include <windows.h>

enum AppRule { AppRuleNone = 0, AppRuleLeaveListed = 1, AppRuleOnlyListed = 2 };

// The names of a list as stored ("EXCEL.EXE; soffice.bin"): split at ";", blanks around each
// name dropped, empty pieces skipped. Joined again with ";" and no blanks.
std::vector<std::wstring> SplitProgramList(std::wstring_view list);
std::wstring JoinProgramList(const std::vector<std::wstring>& names);
// File names compare as the file system does: without regard to case.
bool SameProgramName(std::wstring_view a, std::wstring_view b);

// Whether a copy by `program` (a file name; empty when it could not be found) is processed
// automatically under `rule` and `list`.
bool RuleProcessesProgram(int rule, std::wstring_view list, std::wstring_view program);

// At every clipboard notification: notes the program in front, whose copy it is when the
// clipboard has no owner window by the time the change is looked at.
void NoteForegroundAtChange();
// At a notification processed at once: the same, but with `owner` (the clipboard's owner window)
// the copy is that window's, so the program in front is asked for only should it be needed.
void NoteForegroundIfNeeded(HWND owner);

// A run that holds the clipboard, before anything is read: true when this copy, owned by `owner`
// (another program's window, or none), is to be left as it is. The program behind it joins the
// recent programs, and an armed skip is used up.
bool LeaveCopyAlone(HWND window, HWND owner);
// An automatic run that found another program's copy on the opened clipboard: `owner` is whose
// copy it is, for NoteCopyProgram.
void NoteCopyOwner(HWND owner);
// Once the run has let go of the clipboard: the program behind a copy that no rule needed to look
// at joins the recent programs.
void NoteCopyProgram();

// The one-shot skip; not stored.
void ArmSkipNextCopy();
void ToggleSkipNextCopy();
bool SkipNextCopyArmed();

// File names of the programs behind the last copies, newest first, each once, at most ten; kept
// in memory only, for the rules dialog.
inline constexpr size_t kRecentCopyPrograms = 10;
std::vector<std::wstring> RecentCopyPrograms();
void RememberCopyProgram(const std::wstring& program);
void ForgetRecentCopyPrograms();
