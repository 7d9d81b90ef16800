#include "command_filter.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "language.h"
#include "options.h"
#include "pending_notification.h"

namespace {

// The filter's own owners: the engine sits below the Win32 helpers that the other layers share.
struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// An empty file made by GetTempFileNameW in `folder`, deleted again on every way out.
class TemporaryFile {
public:
    TemporaryFile(const wchar_t* folder, const wchar_t* prefix) {
        wchar_t path[520] = {};
        if (*folder && GetTempFileNameW(folder, prefix, 0, path)) path_ = path;  // never the current directory
    }
    ~TemporaryFile() {
        if (!path_.empty()) DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    explicit operator bool() const { return !path_.empty(); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

using std::chrono::milliseconds;

milliseconds commandTimeLimit = kCommandTimeLimit;
PipeFileReader pipeFileReader = ReadPipeFile;

// Once the command's processes are told to end, how long to wait for the last of them to go, so
// that none still holds a temporary file when it is deleted.
constexpr DWORD kTreeEndWaitMs = 5000;

constexpr DWORD kPathCapacity = 520;

enum class PipeEncoding { Utf16, Utf8, Ansi };

PipeEncoding EncodingOf(int charCode) {
    if (charCode == 1) return PipeEncoding::Utf16;
    if (charCode == 2) return PipeEncoding::Utf8;
    return PipeEncoding::Ansi;
}

UINT CodePageOf(PipeEncoding encoding) { return encoding == PipeEncoding::Utf8 ? CP_UTF8 : GetACP(); }

void Warn(std::wstring_view message) { PendingNotification::Append(message, SeverityWarning); }

DWORD RemainingMs(ULONGLONG deadline) {
    const ULONGLONG now = GetTickCount64();
    return now < deadline ? static_cast<DWORD>(deadline - now) : 0;
}

// Measured first, then converted into a zero-filled buffer one unit longer; any failure gives no
// string. The conversion stops at the first NUL byte.
std::optional<std::wstring> WideFromCodePage(const char* bytes, UINT codePage, DWORD flags) {
    const int length = MultiByteToWideChar(codePage, flags, bytes, -1, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    if (MultiByteToWideChar(codePage, flags, bytes, -1, wide.data(), length) != length) return std::nullopt;
    wide.resize(static_cast<std::size_t>(length) - 1);
    return wide;
}

// Characters the code page lacks become its default character; the text stops at its first NUL.
std::optional<std::string> NarrowFromWide(const std::wstring& text, UINT codePage) {
    const int length = WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::nullopt;
    std::string narrow(static_cast<std::size_t>(length) + 1, '\0');
    if (WideCharToMultiByte(codePage, 0, text.c_str(), -1, narrow.data(), length, nullptr, nullptr) != length)
        return std::nullopt;
    narrow.resize(static_cast<std::size_t>(length) - 1);
    return narrow;
}

// Whole units only: an odd last byte pairs with the zero byte after it, and nothing past the
// buffer is ever read.
std::wstring Utf16UpToNul(const std::vector<char>& bytes) {
    std::wstring units(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * sizeof(wchar_t));
    if (const std::size_t end = units.find(L'\0'); end != std::wstring::npos) units.resize(end);
    return units;
}

// Precomposed characters, except where the system refuses every flag: with Windows' "Unicode UTF-8
// for worldwide language support" the ANSI code page is UTF-8, and each conversion would fail.
DWORD AnsiDecodeFlags(UINT codePage) { return codePage == CP_UTF8 || codePage == 54936 ? 0 : MB_PRECOMPOSED; }

std::optional<std::wstring> DecodePipeText(const std::vector<char>& bytes, PipeEncoding encoding) {
    if (encoding == PipeEncoding::Utf16) return Utf16UpToNul(bytes);
    const UINT codePage = CodePageOf(encoding);
    return WideFromCodePage(bytes.data(), codePage, encoding == PipeEncoding::Ansi ? AnsiDecodeFlags(codePage) : 0);
}

using UniqueStdFile = std::unique_ptr<FILE, int (*)(FILE*)>;

UniqueStdFile OpenStdFile(const std::wstring& path, const wchar_t* mode) {
    return UniqueStdFile(_wfopen(path.c_str(), mode), &std::fclose);
}

// Written in binary, with no byte-order mark and no terminating NUL, so line breaks pass as
// they are. A text the code page cannot take at all leaves the file empty.
[[nodiscard]] bool WriteInputFile(const std::wstring& path, const std::wstring& text, PipeEncoding encoding) {
    UniqueStdFile file = OpenStdFile(path, L"wb");
    if (!file) return false;
    bool written = true;
    if (encoding == PipeEncoding::Utf16) {
        written = std::fwrite(text.data(), sizeof(wchar_t), text.size(), file.get()) == text.size();
    } else if (const std::optional<std::string> bytes = NarrowFromWide(text, CodePageOf(encoding))) {
        written = std::fwrite(bytes->data(), 1, bytes->size(), file.get()) == bytes->size();
    }
    // a short write would hand the command a truncated text as if it were whole
    return std::fclose(file.release()) == 0 && written;
}

std::wstring UserTemporaryFolder() {
    wchar_t folder[kPathCapacity] = {};
    const DWORD length = GetTempPathW(kPathCapacity, folder);
    return length > 0 && length < kPathCapacity ? std::wstring(folder, length) : std::wstring();
}

// The three files of one exchange, made in this order before anything is written; all three are
// deleted on every way out.
struct PipeFiles {
    std::wstring folder = UserTemporaryFolder();
    TemporaryFile input{folder.c_str(), L"NVI"};
    TemporaryFile output{folder.c_str(), L"NVO"};
    TemporaryFile error{folder.c_str(), L"NVE"};

    bool Created() const { return !folder.empty() && input && output && error; }
};

// The command text goes in verbatim; the clipboard text itself only ever travels in the input file.
std::wstring FormatCommandLine(const std::wstring& command, const PipeFiles& files, PipeEncoding encoding) {
    // "/U" makes the interpreter's built-in commands write UTF-16 to the redirected files.
    std::wstring line = encoding == PipeEncoding::Utf16 ? L"CMD.EXE /U /C " : L"CMD.EXE /C ";
    line += command;
    line += L" < \"" + files.input.path();
    line += L"\" > \"" + files.output.path();
    line += L"\" 2> \"" + files.error.path() + L"\"";
    return line;
}

// Named in full: with no application name CreateProcessW would look for "CMD.EXE" in the program's
// folder and the current directory before the system directory, and run whatever was planted there.
std::wstring SystemCommandInterpreter() {
    wchar_t folder[kPathCapacity] = {};
    const UINT length = GetSystemDirectoryW(folder, kPathCapacity);
    return length > 0 && length < kPathCapacity ? std::wstring(folder, length) + L"\\cmd.exe" : std::wstring();
}

// The command with every process it starts, held in a job that ends them all when it closes,
// even when this program itself dies meanwhile. The command starts suspended and joins the job
// before it runs, so no grandchild can escape. Once the command has ended by itself, what it
// started (a program opened with "start", say) is let go instead.
class CommandProcessTree {
public:
    CommandProcessTree();
    ~CommandProcessTree() { End(); }
    CommandProcessTree(const CommandProcessTree&) = delete;
    CommandProcessTree& operator=(const CommandProcessTree&) = delete;

    [[nodiscard]] bool Start(const std::wstring& application, std::wstring& commandLine);
    // False when the limit passed first.
    [[nodiscard]] bool WaitForEnd(milliseconds limit);
    // Ends what is left of the tree and waits, briefly, until it is gone.
    void End();
    // Closes the job and leaves what the command started running.
    void LetGo();

private:
    UniqueHandle job_;
    UniqueHandle port_;  // tells when the last process of the job has gone
    UniqueHandle process_;
    bool portWatchesJob_ = false;
    bool inJob_ = false;
};

CommandProcessTree::CommandProcessTree()
    : job_(CreateJobObjectW(nullptr, nullptr)), port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {
    if (!job_) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    if (!port_) return;
    JOBOBJECT_ASSOCIATE_COMPLETION_PORT association = {};
    association.CompletionKey = job_.get();
    association.CompletionPort = port_.get();
    portWatchesJob_ = SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation, &association,
                                              sizeof association) != FALSE;
}

bool CommandProcessTree::Start(const std::wstring& application, std::wstring& commandLine) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_MINIMIZE;  // the console window, when one opens, stays out of the way
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS | CREATE_SUSPENDED, nullptr, nullptr, &startup, &info))
        return false;
    process_.reset(info.hProcess);
    const UniqueHandle thread(info.hThread);
    // Outside a job (one this program runs in may forbid another) the command still runs; only the
    // interpreter itself can then be ended at the bound.
    inJob_ = job_ && AssignProcessToJobObject(job_.get(), process_.get());
    return ResumeThread(thread.get()) != static_cast<DWORD>(-1);
}

bool CommandProcessTree::WaitForEnd(milliseconds limit) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(limit.count());
    WaitForInputIdle(process_.get(), RemainingMs(deadline));  // returns at once for a console process
    return WaitForSingleObject(process_.get(), RemainingMs(deadline)) == WAIT_OBJECT_0;
}

void CommandProcessTree::End() {
    if (!process_) return;
    if (inJob_) TerminateJobObject(job_.get(), 1);
    TerminateProcess(process_.get(), 1);  // fails harmlessly when it has already ended
    if (inJob_ && portWatchesJob_) {
        const ULONGLONG deadline = GetTickCount64() + kTreeEndWaitMs;
        DWORD message = 0;
        ULONG_PTR key = 0;
        LPOVERLAPPED detail = nullptr;
        while (GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, RemainingMs(deadline)))
            if (message == JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO) break;
    } else {
        WaitForSingleObject(process_.get(), kTreeEndWaitMs);
    }
    process_.reset();
}

void CommandProcessTree::LetGo() {
    if (inJob_) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};  // no longer ended when the job closes
        SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    job_.reset();
    process_.reset();
}

std::wstring TimeLimitMessage(const std::wstring& command) {
    const long long seconds = (commandTimeLimit.count() + 999) / 1000;
    std::wstring message = Tr(L"コマンドが{0}秒以内に終わらないため、強制終了しました。テキストは変更していません。\r\n",
                              L"The command did not end within {0} seconds and was stopped; the text is unchanged.\r\n");
    message.replace(message.find(L"{0}"), 3, std::to_wstring(seconds));
    return message + command;
}

void TakeCommandOutput(const std::wstring& path, PipeEncoding encoding, std::wstring& text) {
    std::vector<char> bytes;
    switch (pipeFileReader(path, bytes)) {
    case PipeReadResult::CannotOpen:
        Warn(Tr(L"コマンドラインの出力結果を開けません。", L"Cannot open a file for out-pipe."));
        return;
    case PipeReadResult::NoMemory:
        Warn(Tr(L"コマンドラインの出力結果を取得するためのメモリを確保できません。", L"Out of memory for reading pipe."));
        return;
    case PipeReadResult::CannotRead:
        Warn(Tr(L"コマンドラインの出力結果を取得できません。", L"Cannot read a file for out-pipe."));
        return;
    case PipeReadResult::Read:
        break;
    }
    // An empty output, or one the code page cannot read, empties the text.
    text = bytes.empty() ? std::wstring() : DecodePipeText(bytes, encoding).value_or(std::wstring());
}

// A lone space or line break on standard error says nothing worth a balloon.
bool IsWorthShowing(const std::wstring& errors) {
    return !errors.empty() && errors != L" " && errors != L"\n" && errors != L"\r\n";
}

void ShowCommandErrors(const std::wstring& path, PipeEncoding encoding) {
    std::vector<char> bytes;
    if (pipeFileReader(path, bytes) != PipeReadResult::Read || bytes.empty()) return;
    const std::optional<std::wstring> errors = DecodePipeText(bytes, encoding);
    if (errors && IsWorthShowing(*errors)) Warn(*errors);
}

}  // namespace

// The two zero bytes let every decoder find its terminating NUL inside the buffer; an empty file
// gives no bytes at all.
PipeReadResult ReadPipeFile(const std::wstring& path, std::vector<char>& bytes) {
    bytes.clear();
    UniqueStdFile file = OpenStdFile(path, L"rb");
    if (!file) return PipeReadResult::CannotOpen;
    if (_fseeki64(file.get(), 0, SEEK_END) != 0) return PipeReadResult::CannotRead;
    const long long length = _ftelli64(file.get());
    if (length < 0 || _fseeki64(file.get(), 0, SEEK_SET) != 0) return PipeReadResult::CannotRead;
    if (length < 1) return PipeReadResult::Read;
    const auto size = static_cast<std::size_t>(length);
    try {
        bytes.assign(size + 2, '\0');
    } catch (const std::bad_alloc&) {
        return PipeReadResult::NoMemory;
    } catch (const std::length_error&) {
        return PipeReadResult::NoMemory;
    }
    if (std::fread(bytes.data(), 1, size, file.get()) != size) {
        bytes.clear();
        return PipeReadResult::CannotRead;
    }
    return PipeReadResult::Read;
}

PipeFileReader SetPipeFileReader(PipeFileReader reader) {
    return std::exchange(pipeFileReader, reader ? reader : ReadPipeFile);
}

milliseconds SetCommandTimeLimit(milliseconds limit) { return std::exchange(commandTimeLimit, limit); }

void RunCommandFilter(std::wstring& text) {
    const ProcessingOptionsRecord& o = ProcessingOptions;
    if (!o.USE_CMDLINE) return;
    const PipeEncoding encoding = EncodingOf(o.CMDLINE_CHARCODE);
    const PipeFiles files;
    if (!files.Created() || !WriteInputFile(files.input.path(), text, encoding)) {
        Warn(Tr(L"パイプ入力用のファイルを作成できません。", L"Cannot create a file for in-pipe."));
        return;
    }
    std::wstring commandLine;
    try {
        commandLine = FormatCommandLine(o.CMDLINE, files, encoding);
    } catch (const std::bad_alloc&) {
        Warn(Tr(L"パイプ入出力のためのコマンドライン生成に必要なメモリが足りません。", L"Out of memory."));
        return;
    }
    CommandProcessTree tree;
    const std::wstring interpreter = SystemCommandInterpreter();
    if (interpreter.empty() || !tree.Start(interpreter, commandLine)) {
        Warn(Tr(L"コマンドラインを実行するためのプロセスを生成できません。", L"Cannot create a new process."));
        return;
    }
    if (!tree.WaitForEnd(commandTimeLimit)) {
        // Whatever is left of a command past its bound is ended before its files are deleted.
        tree.End();
        Warn(TimeLimitMessage(o.CMDLINE));
        return;
    }
    tree.LetGo();
    TakeCommandOutput(files.output.path(), encoding, text);
    ShowCommandErrors(files.error.path(), encoding);
}
