#include "shell_fixture.h"

#include <fstream>

#include "app_state.h"
#include "conversion.h"
#include "language.h"
#include "main_window.h"
#include "pending_notification.h"
#include "settings.h"
#include "tray.h"
#include "watch.h"

namespace shell_test {

namespace {

constexpr wchar_t kHelperClass[] = L"NuvelaShellTestHelper";

}  // namespace

HWND MakeHelperWindow() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kHelperClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when an earlier test registered it
    return CreateWindowExW(0, kHelperClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

void WriteConvertDef(const std::wstring& content) {
    std::ofstream file("Convert.def", std::ios::binary);
    file.put(static_cast<char>(0xFF));
    file.put(static_cast<char>(0xFE));
    for (wchar_t unit : content) {
        file.put(static_cast<char>(unit & 0xFF));
        file.put(static_cast<char>(unit >> 8));
    }
}

void ShellTest::SetUp() {
    folder_ = std::make_unique<test_support::TemporaryFolder>();
    recorder_ = std::make_unique<test_support::Recorder>();
    ForgetTrayRecord();
    SetLanguage(Language::English);
    IniMode = true;
    ProcessingOptions = ProcessingOptionsRecord{};
    ProcessingOptions.NoOpeningDlg = true;
    StoredSettingsFound = true;  // not a first start unless a test says so
    ConversionSet.clear();
    DialogBusy = false;
    ProgramInstance = GetModuleHandleW(nullptr);
    LoadProgramIcons(ProgramInstance);
    ResolveClipboardListener();
    helper_ = MakeHelperWindow();
}

HWND ShellTest::CreateWindowUnderTest() {
    window_ = CreateMainWindow(ProgramInstance);
    return window_;
}

void ShellTest::DestroyWindowUnderTest() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
    PumpFor(0);
}

void ShellTest::TearDown() {
    DestroyWindowUnderTest();
    if (helper_) DestroyWindow(helper_);
    PumpFor(0);
    ReleaseClipboardListener();
    recorder_.reset();
    PendingNotification::Clear();
    ProcessingOptions = ProcessingOptionsRecord{};
    ConversionSet.clear();
    IniMode = false;
    SetLanguage(Language::Japanese);
    folder_.reset();
}

}  // namespace shell_test
