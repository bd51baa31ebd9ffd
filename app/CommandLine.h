#pragma once
// The program's own quoting rules for its command line; the C runtime's differ, so argv is never
// used.
#include <string>

constexpr size_t MaxArgumentLength = 256;

struct ArgumentRead {
    std::string argument;  // at most MaxArgumentLength characters; longer ones are cut
    const char* next;      // just past the whole argument
};

ArgumentRead NextArgument(const char* position);

// The n-th argument (n >= 1) after the program's own name, or an empty text.
std::string ArgumentOf(const char* commandLine, int index);

// Index 0: the program file's full path; otherwise ArgumentOf the process's command line.
std::string CommandLineArgument(int index);
