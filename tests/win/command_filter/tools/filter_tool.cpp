// A console filter for the command filter tests, run through CMD.EXE with its standard streams
// redirected to the filter's files. The first argument picks what it does:
//   copy | upper | upper16 | hex | hex16 | append-crlf   read standard input, write the result
//   emit <hex> | emit-err <hex>       write these bytes to standard output / standard error
//   exit <n>                          copy standard input and end with exit code n
//   paths                             write the paths of the three standard streams' files, one a line
//   sleep                             sleep (two minutes at most, should the test fail to end it)
//   spawn <pid file>                  start "sleep", write "<parent> <own> <child>" ids, sleep
//   detach <pid file>                 the same with a detached child, then end at once
// Each start adds one byte to the file NUVELA_FILTER_TOOL_RUNS names, so a test can tell a command
// whose tool never started.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kLongestSleepMs = 120000;

std::string ReadStandardInput() {
    std::string data;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), chunk, sizeof chunk, &read, nullptr) && read > 0)
        data.append(chunk, read);
    return data;
}

void Write(DWORD stream, const void* data, std::size_t size) {
    DWORD written = 0;
    WriteFile(GetStdHandle(stream), data, static_cast<DWORD>(size), &written, nullptr);
}

void Write(DWORD stream, const std::string& data) { Write(stream, data.data(), data.size()); }

std::string BytesFromHex(const char* hex) {
    std::string bytes;
    for (std::size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
        const char pair[3] = {hex[i], hex[i + 1], '\0'};
        bytes += static_cast<char>(std::strtoul(pair, nullptr, 16));
    }
    return bytes;
}

std::string HexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

// Every ASCII character as one little-endian UTF-16 unit.
std::string AsUtf16(const std::string& ascii) {
    std::string units;
    for (char c : ascii) {
        units += c;
        units += '\0';
    }
    return units;
}

std::string UpperAsciiBytes(std::string bytes) {
    for (char& c : bytes)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return bytes;
}

std::string UpperAsciiUnits(std::string bytes) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        if (bytes[i + 1] == '\0' && bytes[i] >= 'a' && bytes[i] <= 'z') bytes[i] = static_cast<char>(bytes[i] - 'a' + 'A');
    return bytes;
}

std::string PathOfStream(DWORD stream) {
    char path[1024] = {};
    const DWORD length = GetFinalPathNameByHandleA(GetStdHandle(stream), path, sizeof path, FILE_NAME_NORMALIZED);
    return length > 0 && length < sizeof path ? std::string(path, length) : std::string("?");
}

DWORD ParentProcessId() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

// Starts this tool in "sleep" mode, inheriting no handle, and writes the ids to `pidFile`.
bool StartSleeper(const char* pidFile, DWORD creationFlags) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\" sleep";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, creationFlags, nullptr, nullptr,
                        &startup, &child))
        return false;
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    if (FILE* file = std::fopen(pidFile, "w")) {
        std::fprintf(file, "%lu %lu %lu\n", ParentProcessId(), GetCurrentProcessId(), child.dwProcessId);
        std::fclose(file);
    }
    return true;
}

int SpawnSleeperAndSleep(const char* pidFile) {
    if (!StartSleeper(pidFile, 0)) return 2;
    Sleep(kLongestSleepMs);
    return 0;
}

void CountThisRun() {
    if (const char* path = std::getenv("NUVELA_FILTER_TOOL_RUNS"))
        if (FILE* file = std::fopen(path, "ab")) {
            std::fputc('+', file);
            std::fclose(file);
        }
}

}  // namespace

int main(int argc, char** argv) {
    CountThisRun();
    if (argc < 2) return 64;
    const std::string mode = argv[1];
    const char* argument = argc > 2 ? argv[2] : "";
    if (mode == "copy") Write(STD_OUTPUT_HANDLE, ReadStandardInput());
    else if (mode == "upper") Write(STD_OUTPUT_HANDLE, UpperAsciiBytes(ReadStandardInput()));
    else if (mode == "upper16") Write(STD_OUTPUT_HANDLE, UpperAsciiUnits(ReadStandardInput()));
    else if (mode == "hex") Write(STD_OUTPUT_HANDLE, HexOf(ReadStandardInput()));
    else if (mode == "hex16") Write(STD_OUTPUT_HANDLE, AsUtf16(HexOf(ReadStandardInput())));
    else if (mode == "append-crlf") Write(STD_OUTPUT_HANDLE, ReadStandardInput() + "\r\nEND");
    else if (mode == "emit") Write(STD_OUTPUT_HANDLE, BytesFromHex(argument));
    else if (mode == "emit-err") Write(STD_ERROR_HANDLE, BytesFromHex(argument));
    else if (mode == "exit") {
        Write(STD_OUTPUT_HANDLE, ReadStandardInput());
        return std::atoi(argument);
    } else if (mode == "paths") {
        Write(STD_OUTPUT_HANDLE, PathOfStream(STD_INPUT_HANDLE) + "\n" + PathOfStream(STD_OUTPUT_HANDLE) + "\n" +
                                     PathOfStream(STD_ERROR_HANDLE) + "\n");
    } else if (mode == "sleep") Sleep(kLongestSleepMs);
    else if (mode == "spawn") return SpawnSleeperAndSleep(argument);
    else if (mode == "detach") return StartSleeper(argument, DETACHED_PROCESS) ? 0 : 2;
    else return 64;
    return 0;
}
