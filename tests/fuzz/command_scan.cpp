// Arbitrary Play commands: the player path is made only of the command's own characters, in
// their order, and is what the step-by-step scan (cut a quote, test the prefix) gives.
#include <cstdint>
#include <string>

#include "platform/text/Text.h"
#include "setup/Setup.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {
// The scan as the product describes it, one position at a time; quadratic, so inputs stay small.
std::string StepByStep(std::string command) {
    for (int i = 1; i <= static_cast<int>(command.size()); ++i) {
        if (command[i - 1] == '"') CutText(command, i, 1);
        if (TextPos("WINAMP.EXE", AsciiUpper(SubText(command, 1, i))) != 0) return SubText(command, 1, i);
    }
    return command;
}

bool IsSubsequence(const std::string& part, const std::string& whole) {
    size_t at = 0;
    for (char c : part) {
        at = whole.find(c, at);
        if (at == std::string::npos) return false;
        ++at;
    }
    return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1024) return -1;
    const std::string command(reinterpret_cast<const char*>(data), size);
    const std::string path = PlayerPathFromCommand(command);
    FUZZ_CHECK(path.size() <= command.size());
    FUZZ_CHECK(IsSubsequence(path, command));
    FUZZ_CHECK(path == StepByStep(command));
    const int found = TextPos("WINAMP.EXE", AsciiUpper(path));
    FUZZ_CHECK(found == 0 || found == static_cast<int>(path.size()) - 9);
    return 0;
}
