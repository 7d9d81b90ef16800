#include "copy_rules.h"

#include <algorithm>
#include <utility>

#include "options.h"
#include "scoped_win.h"

namespace {

bool armedSkip = false;
DWORD foregroundProcessAtChange = 0;
bool foregroundUnnoted = false;  // left for when a copy without an owner window needs it
// A copy whose program is only to join the recent programs: it is looked up once the clipboard
// is free again, not while every program waits for our result.
bool copyProgramUnnoted = false;
HWND copyOwnerToNote = nullptr;
std::vector<std::wstring> recentPrograms;

// The last process looked up. Holding its handle keeps its id from being given to another
// process, so the same id means the same program and the name need not be asked for again.
struct KnownProcess {
    DWORD id = 0;
    UniqueHandle handle;
    std::wstring name;
};
KnownProcess lastProcess;

std::wstring_view TrimBlanks(std::wstring_view text) {
    constexpr std::wstring_view kBlanks = L" \t\u3000";
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring ProcessFileName(DWORD processId) {
    if (processId == 0) return {};
    if (processId == lastProcess.id && lastProcess.handle) return lastProcess.name;
    UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) return {};
    // Most paths fit MAX_PATH; a longer one is asked for again with room for the longest there is.
    std::wstring path;
    DWORD size = 0;
    for (const DWORD units : {DWORD{MAX_PATH}, DWORD{32768}}) {
        path.assign(units, L'\0');
        size = units;
        if (QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) break;
        if (units > MAX_PATH) return {};
    }
    path.resize(size);
    lastProcess = {processId, std::move(process), FileNameOf(path)};
    return lastProcess.name;
}

bool ProgramRuleSet() {
    const int rule = ProcessingOptions.APP_RULE;
    return rule == AppRuleLeaveListed || rule == AppRuleOnlyListed;
}

DWORD ProcessOfWindow(HWND window) {
    DWORD processId = 0;
    if (window) GetWindowThreadProcessId(window, &processId);
    return processId;
}

// The clipboard owner's program; without an owner window, the program that was in front when
// the change was noticed.
std::wstring ProgramBehindCopy(HWND owner) {
    if (!owner && std::exchange(foregroundUnnoted, false)) NoteForegroundAtChange();
    const DWORD processId = owner ? ProcessOfWindow(owner) : foregroundProcessAtChange;
    return ProcessFileName(processId);
}

}  // namespace

std::vector<std::wstring> SplitProgramList(std::wstring_view list) {
    std::vector<std::wstring> names;
    while (!list.empty()) {
        const size_t end = std::min(list.find(L';'), list.size());
        const std::wstring_view name = TrimBlanks(list.substr(0, end));
        if (!name.empty()) names.emplace_back(name);
        list.remove_prefix(std::min(end + 1, list.size()));
    }
    return names;
}

std::wstring JoinProgramList(const std::vector<std::wstring>& names) {
    std::wstring list;
    for (const std::wstring& name : names) {
        if (!list.empty()) list += L';';
        list += name;
    }
    return list;
}

bool SameProgramName(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool RuleProcessesProgram(int rule, std::wstring_view list, std::wstring_view program) {
    if (rule != AppRuleLeaveListed && rule != AppRuleOnlyListed) return true;
    const std::vector<std::wstring> names = SplitProgramList(list);
    const bool listed = !program.empty() && std::any_of(names.begin(), names.end(), [&](const std::wstring& name) {
        return SameProgramName(name, program);
    });
    return rule == AppRuleLeaveListed ? !listed : listed;
}

void NoteForegroundAtChange() {
    foregroundUnnoted = false;
    foregroundProcessAtChange = ProcessOfWindow(GetForegroundWindow());
}

void NoteForegroundIfNeeded(HWND owner) {
    if (owner) foregroundUnnoted = true;
    else NoteForegroundAtChange();
}

bool LeaveCopyAlone(HWND window, HWND owner) {
    // Without a rule or an armed skip there is nothing to decide: the run notes the owner later.
    if (!armedSkip && !ProgramRuleSet()) return false;
    if (owner == window) return false;  // our own write: the run's owner check takes care of it
    const std::wstring program = ProgramBehindCopy(owner);
    if (!program.empty()) RememberCopyProgram(program);
    if (std::exchange(armedSkip, false)) return true;
    return !RuleProcessesProgram(ProcessingOptions.APP_RULE, ProcessingOptions.APP_LIST, program);
}

void NoteCopyOwner(HWND owner) {
    if (ProgramRuleSet()) return;  // the rule check has already noted the program
    copyOwnerToNote = owner;
    copyProgramUnnoted = true;
}

void NoteCopyProgram() {
    if (!std::exchange(copyProgramUnnoted, false)) return;
    const std::wstring program = ProgramBehindCopy(copyOwnerToNote);
    if (!program.empty()) RememberCopyProgram(program);
}

void ArmSkipNextCopy() { armedSkip = true; }
void ToggleSkipNextCopy() { armedSkip = !armedSkip; }
bool SkipNextCopyArmed() { return armedSkip; }

std::vector<std::wstring> RecentCopyPrograms() { return recentPrograms; }

void RememberCopyProgram(const std::wstring& program) {
    std::erase_if(recentPrograms, [&](const std::wstring& name) { return SameProgramName(name, program); });
    recentPrograms.insert(recentPrograms.begin(), program);
    if (recentPrograms.size() > kRecentCopyPrograms) recentPrograms.resize(kRecentCopyPrograms);
}

void ForgetRecentCopyPrograms() { recentPrograms.clear(); }
