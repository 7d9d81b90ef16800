// Fuzzes the "Convert.def" loader and the conversion of a text by the loaded tables.
// Input: UTF-16LE units. Those before the first U+FFFF form the file (after the FF FE mark);
// the rest is the text. The text's first unit picks the table and how it is applied. Besides what
// the sanitizers catch, a whole-text run that no guard stopped must equal the position-by-position
// application it stands for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "conversion.h"
#include "pending_notification.h"

namespace {

// One file per fuzzing process, removed when the process ends.
struct FuzzFile {
    std::filesystem::path path;
    FuzzFile() {
        std::random_device random;
        // Written and read again for every input: in memory when the system offers a folder for it.
        std::error_code error;
        const std::filesystem::path memory = "/dev/shm";
        const std::filesystem::path folder =
            std::filesystem::is_directory(memory, error) ? memory : std::filesystem::temp_directory_path();
        path = folder / ("nuvela-conversion-fuzz-" + std::to_string(random()) + ".def");
    }
    ~FuzzFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
};

void WriteDefinition(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write("\xFF\xFE", 2);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::wstring Units(const std::uint8_t* data, std::size_t size) {
    std::wstring units;
    for (std::size_t i = 0; i + 1 < size; i += 2) units.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));
    return units;
}

// The position hook is quadratic over a growing text: the comparison is kept to short runs.
constexpr std::size_t kOracleLength = 256;

void ExpectSameAsByPositions(const std::wstring& name, const std::wstring& input, const std::wstring& converted) {
    if (input.size() > kOracleLength || converted.size() > kOracleLength) return;
    std::wstring byPositions = input;
    for (std::size_t k = 0; k < byPositions.size() && byPositions.size() <= 4 * kOracleLength; ++k)
        (void)ApplyConversionAt(name, byPositions, k, true);
    if (!PendingNotification::Text().empty()) return;  // the hook's own guard stopped it
    if (byPositions != converted) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzFile file;
    std::size_t split = 0;
    while (split + 1 < size && !(data[split] == 0xFF && data[split + 1] == 0xFF)) split += 2;
    if (split + 1 >= size) split = size & ~std::size_t{1};
    WriteDefinition(file.path, data, split);
    ConversionSet.clear();
    (void)LoadConversionFile(file.path);

    std::wstring text = Units(data + std::min(size, split + 2), size - std::min(size, split + 2));
    if (text.empty() || ConversionSet.empty()) return 0;
    const unsigned pick = static_cast<unsigned>(text[0]);
    std::wstring name = ConversionSet[pick % ConversionSet.size()].name;
    if (pick & 0x8000) name = L"no such table";
    PendingNotification::Clear();
    if (pick & 0x4000) {
        // the position hook, forwards or backwards, at every position and once beyond the end
        const bool forward = (pick & 0x2000) == 0;
        // (each call sets up its run afresh, so the positions are capped where a run stays quick)
        for (std::size_t k = 0; k <= text.size() && k < 1024; ++k) (void)ApplyConversionAt(name, text, k, forward);
    } else {
        const std::wstring input = text;
        ApplyConversion(name, text);
        if (PendingNotification::Text().empty()) ExpectSameAsByPositions(name, input, text);
    }
    (void)UnescapeConversionText(text);
    return 0;
}
