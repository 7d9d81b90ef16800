// The filter holds its text a few times over in blocks of a hundred megabytes, and touching them
// page by page costs the kernel a fault for every 4 KiB: a third of the run on a large file. Blocks
// of 2 MiB and more are therefore offered huge pages, where the system allows them on request;
// elsewhere the request is refused and nothing changes. Only the Linux program links this file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

// A large malloc block is a mapping of its own; the advice covers the whole pages inside it.
void AdviseHugePages(void* block, std::size_t size) {
    const auto pageSize = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (start + pageSize - 1) & ~(pageSize - 1);
    const std::uintptr_t end = (start + size) & ~(pageSize - 1);
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace

void* operator new(std::size_t size) {
    void* block = nullptr;
    while ((block = std::malloc(size == 0 ? 1 : size)) == nullptr) {
        const std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
    if (size >= kHugePageSize) AdviseHugePages(block, size);
    return block;
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
