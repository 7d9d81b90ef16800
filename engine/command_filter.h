#pragma once
#include <chrono>
#include <string>
#include <vector>

// Passes `text` through the CMDLINE command and replaces it by the command's output.
void RunCommandFilter(std::wstring& text);

// A command that runs longer is ended with every process it started, and the text stays as it was:
// without a bound a filter that never ends would freeze the program for good.
inline constexpr std::chrono::milliseconds kCommandTimeLimit{30000};

// Windows build only. Tests shorten the bound; returns the previous one.
std::chrono::milliseconds SetCommandTimeLimit(std::chrono::milliseconds limit);

// Windows build only. How the command's output and error files are read: the whole file followed
// by two zero bytes. Replaceable so tests can make a read fail in each way the system can fail it;
// null puts the real reader back. Returns the previous reader.
enum class PipeReadResult { Read, CannotOpen, NoMemory, CannotRead };
using PipeFileReader = PipeReadResult (*)(const std::wstring& path, std::vector<char>& bytes);
PipeReadResult ReadPipeFile(const std::wstring& path, std::vector<char>& bytes);
PipeFileReader SetPipeFileReader(PipeFileReader reader);
