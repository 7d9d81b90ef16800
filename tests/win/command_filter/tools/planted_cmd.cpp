// Stands in for a "CMD.EXE" planted in the current directory: if it ever runs, it leaves a mark.
#include <cstdio>

int main() {
    if (std::FILE* mark = std::fopen("planted-cmd-ran", "w")) std::fclose(mark);
    std::puts("planted CMD.EXE ran");
    return 0;
}
