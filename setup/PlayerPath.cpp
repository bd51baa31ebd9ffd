// Where Winamp is: its path from the shell's Play command, and the paths of its plug-ins.
#include "platform/text/Text.h"
#include "setup/Setup.h"

namespace {
constexpr char ExecutableName[] = "WINAMP.EXE";
constexpr size_t ExecutableNameLength = sizeof ExecutableName - 1;
}  // namespace

// Walks the command once, dropping each quotation mark it meets (the character that moves into a
// dropped mark's place is not looked at again), and stops at the end of the first WINAMP.EXE in
// any letter case. Since the kept text only grows, that name can only end at the last character
// kept, so this is linear in the command's length.
std::string PlayerPathFromCommand(const std::string& command) {
    std::string kept;
    for (size_t k = 0; k < command.size(); ++k) {
        if (command[k] == '"' && ++k == command.size()) break;
        kept += command[k];
        if (kept.size() >= ExecutableNameLength &&
            TextEquals(AsciiUpper(kept.substr(kept.size() - ExecutableNameLength)), ExecutableName))
            break;
    }
    return kept;
}

std::string PluginPath(const std::string& playerFolder, const char* fileName) {
    return JoinPath(playerFolder, std::string("Plugins\\") + fileName);
}
