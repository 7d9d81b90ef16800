#pragma once
// What every benchmark needs: wall-clock timing, the heap in use, reference commands and figures
// printed one line per case.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

// Seconds of the fastest of `runs` calls; the machine is shared, so the best run is the fair one.
double BestSeconds(int runs, const std::function<void()>& work);

// Live bytes on the heap now, and the most there have been since the last reset.
std::size_t HeapInUse();
std::size_t HeapPeak();
void ResetHeapPeak();

// Runs a shell command line; false when it could not run or failed.
bool RunShellCommand(const std::string& command);
bool ShellAvailable();

// A file in a scratch folder that is removed at exit.
std::filesystem::path ScratchFile(const std::string& name);
void WriteFile(const std::filesystem::path& file, const std::string& bytes);

double Megabytes(std::size_t bytes);

// The benchmarks' text of about `utf8Bytes`: lines of Latin and Japanese words with the indents,
// TABs, trailing blanks, blank lines and repeats the line options act on; the same in every build.
std::wstring MakeLineStageText(std::size_t utf8Bytes, std::size_t& lineCount, bool withLoneSurrogates);
