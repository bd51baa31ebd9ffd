#pragma once
// The program under test (TQ_PROGRAM_FILE, set by the build for each test program) and scripts
// that run it.
#include <string>

#include "tests/driver/ProgramRun.h"
#include "tests/support/Scratch.h"

inline std::string ProgramFile() { return TQ_BUILT(TQ_PROGRAM_FILE); }

// A script for the program under test with the given command tail and working folder.
inline RunScript ScriptFor(const std::string& tail, const std::string& workingFolder = "") {
    RunScript script;
    script.program = ProgramFile();
    script.tail = tail;
    script.workingFolder = workingFolder;
    return script;
}
