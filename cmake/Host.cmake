# Native build of the engine, its tests and tools, under AddressSanitizer and UBSan.
option(NUVELA_SANITIZE "Build the host tree with ASan and UBSan" ON)
if(NUVELA_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
# ICU gives the host build its Unicode normalisation; the Windows build uses the system's own.
find_package(ICU REQUIRED COMPONENTS uc)
