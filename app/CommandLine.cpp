#include "app/CommandLine.h"

namespace {
constexpr unsigned char Quote = '"';

unsigned char At(const char* p) { return static_cast<unsigned char>(*p); }

const char* SkipSeparators(const char* p) {
    for (;;) {
        while (At(p) != 0 && At(p) <= 32) ++p;
        if (At(p) != Quote || At(p + 1) != Quote) return p;
        p += 2;  // an empty pair of quotes counts as white space
    }
}

void Collect(std::string& argument, char c) {
    if (argument.size() < MaxArgumentLength) argument.push_back(c);
}
}  // namespace

ArgumentRead NextArgument(const char* position) {
    const char* p = SkipSeparators(position);
    std::string argument;
    while (At(p) > 32) {
        if (At(p) == Quote) {
            ++p;
            while (At(p) != 0 && At(p) != Quote) Collect(argument, *p++);
            if (At(p) == Quote) ++p;
        } else {
            Collect(argument, *p++);
        }
    }
    return {argument, p};
}

std::string ArgumentOf(const char* commandLine, int index) {
    const char* p = commandLine;
    for (int counter = index;; --counter) {
        const ArgumentRead read = NextArgument(p);
        if (counter == 0) return read.argument;
        if (read.argument.empty()) return {};
        p = read.next;
    }
}
