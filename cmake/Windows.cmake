# Windows x64 GUI build: Unicode, runtime linked statically so Nuvela.exe needs no MinGW DLLs.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00 WINVER=0x0A00)
add_link_options(-static -static-libgcc -static-libstdc++)
enable_language(RC)
