#include "bench_support.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <new>
#include <system_error>
#include <vector>

#include "utf8.h"

#ifdef _WIN32
#include <malloc.h>
#define NUVELA_BLOCK_SIZE _msize
#else
#include <malloc.h>
#define NUVELA_BLOCK_SIZE malloc_usable_size
#endif

namespace {

// Every allocation of the program passes through the operators below; benchmarks are single-threaded.
std::size_t heapInUse = 0;
std::size_t heapPeak = 0;

void* CountedAllocate(std::size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    heapInUse += NUVELA_BLOCK_SIZE(block);
    if (heapInUse > heapPeak) heapPeak = heapInUse;
    return block;
}

void CountedFree(void* block) {
    if (!block) return;
    heapInUse -= NUVELA_BLOCK_SIZE(block);
    std::free(block);
}

struct ScratchFolder {
    std::filesystem::path path;
    ~ScratchFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};
ScratchFolder scratch;

// The same numbers in every build, unlike the standard distributions.
class TextRandom {
public:
    explicit TextRandom(std::uint64_t seed) : state_(seed) {}
    std::uint32_t Next(std::uint32_t bound) {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<std::uint32_t>((state_ >> 11) % bound);
    }

private:
    std::uint64_t state_;
};

std::vector<std::wstring> MakeVocabulary(TextRandom& random) {
    std::vector<std::wstring> words;
    for (int i = 0; i < 4000; ++i) {
        std::wstring word;
        const std::uint32_t length = 2 + random.Next(8);
        for (std::uint32_t k = 0; k < length; ++k)
            word += static_cast<wchar_t>((random.Next(5) == 0 ? L'A' : L'a') + random.Next(26));
        words.push_back(word);
    }
    for (int i = 0; i < 600; ++i) {
        std::wstring word;
        const std::uint32_t length = 1 + random.Next(3);
        for (std::uint32_t k = 0; k < length; ++k)
            word += static_cast<wchar_t>(random.Next(2) ? 0x3041 + random.Next(83) : 0x4E00 + random.Next(2000));
        words.push_back(word);
    }
    return words;
}

}  // namespace

void* operator new(std::size_t size) { return CountedAllocate(size); }
void* operator new[](std::size_t size) { return CountedAllocate(size); }
void operator delete(void* block) noexcept { CountedFree(block); }
void operator delete[](void* block) noexcept { CountedFree(block); }
void operator delete(void* block, std::size_t) noexcept { CountedFree(block); }
void operator delete[](void* block, std::size_t) noexcept { CountedFree(block); }

double BestSeconds(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    return best;
}

std::size_t HeapInUse() { return heapInUse; }
std::size_t HeapPeak() { return heapPeak; }
void ResetHeapPeak() { heapPeak = heapInUse; }

bool RunShellCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

bool ShellAvailable() {
#ifdef _WIN32
    return false;  // the references are POSIX tools; under Wine only our own figures are taken
#else
    return std::system("command -v sort >/dev/null && command -v uniq >/dev/null && command -v expand >/dev/null") == 0;
#endif
}

std::filesystem::path ScratchFile(const std::string& name) {
    if (scratch.path.empty()) {
        scratch.path = std::filesystem::temp_directory_path() /
                       ("nuvela-bench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(scratch.path);
    }
    return scratch.path / name;
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

double Megabytes(std::size_t bytes) { return static_cast<double>(bytes) / 1e6; }

// Lines of words with the indents, TABs, trailing blanks, blank lines and repeats the options act on.
std::wstring MakeLineStageText(std::size_t utf8Bytes, std::size_t& lineCount, bool withLoneSurrogates) {
    TextRandom random(0x9E3779B97F4A7C15ull);
    const std::vector<std::wstring> words = MakeVocabulary(random);
    std::vector<std::wstring> recent;
    std::wstring text;
    std::size_t bytes = 0;
    lineCount = 0;
    while (bytes < utf8Bytes) {
        std::wstring line;
        const std::uint32_t kind = random.Next(100);
        if (kind < 8) {
            // blank
        } else if (kind < 38 && !recent.empty()) {
            line = recent[random.Next(static_cast<std::uint32_t>(recent.size()))];
        } else {
            static const wchar_t* const indents[] = {L"", L"", L"", L"  ", L"\t", L"\x3000", L"007 ", L" \t "};
            line = indents[random.Next(8)];
            const std::uint32_t count = 2 + random.Next(6);
            for (std::uint32_t k = 0; k < count; ++k) {
                if (k > 0) line += random.Next(6) == 0 ? L'\t' : L' ';
                line += words[random.Next(static_cast<std::uint32_t>(words.size()))];
            }
            if (withLoneSurrogates && random.Next(20) == 0) line += static_cast<wchar_t>(0xD800 + random.Next(0x800));
            if (random.Next(6) == 0) line += L"  ";
            if (recent.size() < 50000) recent.push_back(line);
            else recent[random.Next(50000)] = line;
        }
        text += line;
        text += L'\n';
        bytes += EncodeUtf8(line).size() + 1;
        ++lineCount;
    }
    text.shrink_to_fit();
    return text;
}
