// nuvela-filter: reads standard input, writes the processed text to standard output.
#include <cstdio>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "filter.h"
#include "utf8.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

std::string ReadAll(std::FILE* stream) {
    std::string bytes;
    // A file's size is known beforehand, so its bytes are read without the copies of a growing
    // string; a pipe has none and grows as it comes.
    // The file may have been read partly before this program started: it goes on from there.
    const long start = std::ftell(stream);
    if (start >= 0 && std::fseek(stream, 0, SEEK_END) == 0) {
        const long end = std::ftell(stream);
        if (end > start) bytes.reserve(static_cast<std::size_t>(end - start));
        std::fseek(stream, start, SEEK_SET);
    }
    std::clearerr(stream);
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, stream)) > 0) bytes.append(buffer, got);
    return bytes;
}

int Run(const std::vector<std::wstring>& arguments) {
    std::string input;
    try {
        input = ReadAll(stdin);
    } catch (const std::bad_alloc&) {
        std::fputs("nuvela-filter: out of memory\n", stderr);
        return kFilterFailed;
    }
    const FilterResult result = RunFilter(arguments, std::move(input));
    std::fwrite(result.errors.data(), 1, result.errors.size(), stderr);
    if (result.status != kFilterDone) return result.status;
    if (!WriteUtf8(stdout, result.output) || std::fflush(stdout) != 0) {
        std::fputs("nuvela-filter: cannot write the output\n", stderr);
        return kFilterFailed;
    }
    return kFilterDone;
}

}  // namespace

#ifdef _WIN32
// Text mode would turn LF into CR LF and stop at Ctrl+Z.
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return Run(std::vector<std::wstring>(argv + 1, argv + argc));
}
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) {
        std::size_t errorOffset = 0;
        if (!DecodeUtf8(argv[i], arguments.emplace_back(), errorOffset)) {
            std::fprintf(stderr, "nuvela-filter: argument %d is not valid UTF-8\n", i);
            return kFilterUsage;
        }
    }
    return Run(arguments);
}
#endif
