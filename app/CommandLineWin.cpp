#include <windows.h>

#include "app/CommandLine.h"

std::string CommandLineArgument(int index) {
    if (index > 0) return ArgumentOf(GetCommandLineA(), index);
    char path[MAX_PATH + 1] = {};
    return std::string(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
}
