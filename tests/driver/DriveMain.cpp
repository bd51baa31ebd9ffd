// Command-line face of the driver, for scripts and people:
//   tqdrive --program FILE [--tail TEXT] [--command-line TEXT] [--cwd DIR] [--answer STEP]...
//           [--fallback STEP] [--winamp] [--hold FILE] [--timeout MS] [--screenshot FILE.bmp]...
// TEXT takes the escapes \t \n \\ \" and \xNN, so any byte can be given. Prints one line per box
// and the exit code.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/driver/ProgramRun.h"

namespace {
int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Unescape(const std::string& text) {
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            bytes += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 't') bytes += '\t';
        else if (next == 'n') bytes += '\n';
        else if (next == 'x' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
                 HexValue(text[i + 2]) >= 0) {
            bytes += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else bytes += next;
    }
    return bytes;
}

[[noreturn]] void Usage() {
    std::fputs("usage: tqdrive --program FILE [--tail TEXT] [--command-line TEXT] [--cwd DIR]\n"
               "               [--answer STEP]... [--fallback STEP] [--winamp] [--hold FILE]\n"
               "               [--load FILE]... [--unseen] [--timeout MS] [--screenshot FILE.bmp]...\n",
               stderr);
    std::exit(2);
}
}  // namespace

int main(int argc, char** argv) {
    RunScript script;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--winamp" || option == "--unseen") {
            bool& flag = option == "--winamp" ? script.winampRunning : script.unseen;
            flag = true;
            continue;
        }
        if (i + 1 >= argc) Usage();
        const std::string value = argv[++i];
        if (option == "--program") script.program = value;
        else if (option == "--tail") script.tail = Unescape(value);
        else if (option == "--command-line") script.commandLine = Unescape(value);
        else if (option == "--cwd") script.workingFolder = value;
        else if (option == "--answer") script.answers.push_back(value);
        else if (option == "--fallback") script.fallback = value;
        else if (option == "--hold") script.heldFile = value;
        else if (option == "--load") script.loadedFiles.push_back(value);
        else if (option == "--screenshot") script.screenshots.push_back(value);
        else if (option == "--timeout") script.timeoutMs = static_cast<DWORD>(std::atol(value.c_str()));
        else Usage();
    }
    if (script.program.empty()) Usage();
    const RunOutcome outcome = RunProgram(script);
    if (!outcome.started) {
        std::fprintf(stderr, "tqdrive: cannot start %s (error %lu)\n", script.program.c_str(),
                     static_cast<unsigned long>(outcome.startError));
        return 2;
    }
    std::fputs(Transcript(outcome).c_str(), stdout);
    return outcome.timedOut ? 3 : 0;
}
