#include "bench_support.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <new>
#include <system_error>

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
