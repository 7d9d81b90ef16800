// Nuvela.exe must load on every Windows it supports: a function that only newer systems have is
// looked up at run time, never imported, or the loader refuses the program before it starts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>
#include <windows.h>

#include "test_support.h"

namespace {

// The imported functions by the name of their DLL (lower case); functions imported by ordinal are left out.
using ImportTable = std::map<std::string, std::set<std::string>>;

class PeImage {
public:
    explicit PeImage(std::vector<char> bytes) : bytes_(std::move(bytes)) {}

    // Reads the import directory; false (with `why`) when the file is not a PE32+ image we can walk.
    bool Imports(ImportTable& imports, std::string& why) {
        const auto* dos = At<IMAGE_DOS_HEADER>(0);
        if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return Fail(why, "no DOS header");
        const auto* nt = At<IMAGE_NT_HEADERS64>(static_cast<std::size_t>(dos->e_lfanew));
        if (!nt || nt->Signature != IMAGE_NT_SIGNATURE) return Fail(why, "no PE header");
        if (nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) return Fail(why, "not PE32+");
        const std::size_t sectionsAt = static_cast<std::size_t>(dos->e_lfanew) +
                                       offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                       nt->FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const auto* section = At<IMAGE_SECTION_HEADER>(sectionsAt + i * sizeof(IMAGE_SECTION_HEADER));
            if (!section) return Fail(why, "section table cut short");
            sections_.push_back(*section);
        }
        const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        if (directory.VirtualAddress == 0) return Fail(why, "no import directory");
        for (DWORD rva = directory.VirtualAddress;; rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto* descriptor = AtRva<IMAGE_IMPORT_DESCRIPTOR>(rva);
            if (!descriptor) return Fail(why, "import directory outside the file");
            if (descriptor->Name == 0) break;
            const char* dll = TextAtRva(descriptor->Name);
            if (!dll) return Fail(why, "DLL name outside the file");
            std::string name(dll);
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
            std::set<std::string>& functions = imports[name];
            // The lookup table keeps the names; the address table holds them too until the loader binds it.
            DWORD thunkRva = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
            for (;; thunkRva += sizeof(ULONGLONG)) {
                const auto* thunk = AtRva<ULONGLONG>(thunkRva);
                if (!thunk) return Fail(why, "lookup table outside the file");
                if (*thunk == 0) break;
                if (*thunk & IMAGE_ORDINAL_FLAG64) continue;
                const char* function = TextAtRva(static_cast<DWORD>(*thunk) + sizeof(WORD));  // after the hint
                if (!function) return Fail(why, "function name outside the file");
                functions.insert(function);
            }
        }
        return true;
    }

private:
    static bool Fail(std::string& why, const char* reason) {
        why = reason;
        return false;
    }

    template <typename T>
    const T* At(std::size_t offset) const {
        if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) return nullptr;
        return reinterpret_cast<const T*>(bytes_.data() + offset);
    }

    bool FileOffset(DWORD rva, std::size_t& offset) const {
        for (const IMAGE_SECTION_HEADER& section : sections_) {
            const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size) {
                offset = section.PointerToRawData + (rva - section.VirtualAddress);
                return true;
            }
        }
        return false;
    }

    template <typename T>
    const T* AtRva(DWORD rva) const {
        std::size_t offset = 0;
        return FileOffset(rva, offset) ? At<T>(offset) : nullptr;
    }

    // A text that ends inside the file.
    const char* TextAtRva(DWORD rva) const {
        std::size_t offset = 0;
        if (!FileOffset(rva, offset) || offset >= bytes_.size()) return nullptr;
        const char* text = bytes_.data() + offset;
        return std::memchr(text, '\0', bytes_.size() - offset) ? text : nullptr;
    }

    std::vector<char> bytes_;
    std::vector<IMAGE_SECTION_HEADER> sections_;
};

ImportTable NuvelaImports() {
    std::ifstream file(test_support::NuvelaExe(), std::ios::binary);
    EXPECT_TRUE(file) << test_support::NuvelaExe();
    PeImage image({std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()});
    ImportTable imports;
    std::string why;
    EXPECT_TRUE(image.Imports(imports, why)) << why;
    return imports;
}

TEST(ImportsTest, FunctionsLookedUpAtRunTimeAreNotImported) {
    const ImportTable imports = NuvelaImports();
    // The walk itself must see the imports every Windows has, or finding nothing below proves nothing.
    ASSERT_TRUE(imports.count("kernel32.dll"));
    EXPECT_TRUE(imports.at("kernel32.dll").count("GetProcAddress"));
    ASSERT_TRUE(imports.count("user32.dll"));
    EXPECT_TRUE(imports.at("user32.dll").count("OpenClipboard"));

    const char* const lookedUp[] = {"SetDefaultDllDirectories", "AddClipboardFormatListener",
                                    "RemoveClipboardFormatListener", "RtlGetVersion", "HtmlHelpW", "HtmlHelpA"};
    for (const auto& [dll, functions] : imports) {
        for (const char* function : lookedUp) EXPECT_FALSE(functions.count(function)) << dll << " " << function;
    }
    EXPECT_FALSE(imports.count("hhctrl.ocx")) << "the help viewer is loaded only when help is asked for";
}

}  // namespace
