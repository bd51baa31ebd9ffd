// Every failure that nothing handles ends in one box and an exit code, as its user sees it.
#include <cstdio>
#include <cstdlib>
#include <regex>

#include <gtest/gtest.h>

#include "tests/e2e/Program.h"

namespace {
// What raises the failure: the program itself, or the processor.
enum class Source { Program, Fault, StackOverflow };

struct FailureCase {
    Source source;
    const char* tail;
    const char* caption;
    const char* text;  // a regular expression for the whole text
    const char* icon;
    DWORD exitCode;
};

constexpr char Hex[] = "[0-9A-F]{8,16}";

// What the fault cases of a 32-bit target could check on this machine, for its log and the summaries.
void SayWhatFaultsChecked(const std::optional<std::string>& emulator, const std::string& classless,
                          const std::string& unchecked) {
    const std::string target = TargetName();
    const std::string line =
        emulator ? target + ": fault classes checked on the 64-bit build only; 32-bit code here runs under user "
                           "emulation (" + *emulator + ", through binfmt_misc), which does not report processor faults faithfully"
                 : target + ": fault classes checked on the shipped 32-bit program as well; 32-bit code here runs natively";
    RecordReliability("faults", line);
    std::printf("%s\n", line.c_str());
    if (emulator)
        std::printf("  checked for one box and its exit code only:%s\n"
                    "  not checked at all (the emulation ends the program before any handler runs):%s\n",
                    classless.c_str(), unchecked.c_str());
}

std::string Expand(const char* pattern) {
    return std::regex_replace(pattern, std::regex("HEX"), Hex);
}

constexpr char NullWrite[] =
    "Exception EAccessViolation in module fault_probe\\.exe at HEX\\.\nAccess violation at address HEX in module "
    "'fault_probe\\.exe'\\. Write of address 00000000\\.";

TEST(FailureReport, EachFailureEndsInOneBoxAndItsExitCode) {
    const FailureCase cases[] = {
        {Source::Program, " raise", "Application Error",
         "Exception ERegistryException in module fault_probe\\.exe at HEX\\.\nFailed to create key Options\\.",
         "error", 1},
        {Source::Program, " raise-stop", "Application Error",
         "Exception ERegistryException in module fault_probe\\.exe at HEX\\.\nEnds in a stop\\.", "error", 1},
        {Source::Program, " raise-empty", "Application Error",
         "Exception EStringListError in module fault_probe\\.exe at HEX\\.\n", "error", 1},
        {Source::Program, " out-of-memory", "Application Error",
         "Exception EOutOfMemory in module fault_probe\\.exe at 00000000\\.\nOut of memory\\.", "error", 1},
        {Source::Program, " starve-install 0", "Application Error",
         "Exception EOutOfMemory in module fault_probe\\.exe at 00000000\\.\nOut of memory\\.", "error", 1},
        {Source::Program, " starve-install 3", "Application Error",
         "Exception EOutOfMemory in module fault_probe\\.exe at 00000000\\.\nOut of memory\\.", "error", 1},
        {Source::Fault, " starve-write", "Application Error", NullWrite, "error", 1},
        {Source::Program, " too-long", "Application Error", "Exception std::length_error in module fault_probe\\.exe at 00000000\\.\n",
         "error", 1},
        {Source::Fault, " write", "Application Error", NullWrite, "error", 1},
        {Source::Fault, " read", "Application Error",
         "Exception EAccessViolation in module fault_probe\\.exe at HEX\\.\nAccess violation at address "
         "HEX in module 'fault_probe\\.exe'\\. Read of address 00000010\\.",
         "error", 1},
        {Source::Fault, " outside", "Application Error",
         "Exception EAccessViolation in module fault_probe\\.exe at HEX\\.\nAccess violation at address HEX\\. "
         "Read of address 00000000\\.",
         "error", 1},
        {Source::Fault, " divide", "Application Error",
         "Exception EDivisionByZero in module fault_probe\\.exe at HEX\\.\nDivision by zero\\.", "error", 1},
        {Source::StackOverflow, " overflow", "Application Error",
         "Exception EStackOverflow in module fault_probe\\.exe at HEX\\.\nStack overflow\\.", "error", 1},
        {Source::Fault, " write early", "Error", "Runtime error 216 at HEX", "none", 216},
        {Source::Fault, " divide early", "Error", "Runtime error 200 at HEX", "none", 200},
        {Source::Program, " raise early", "Error", "Runtime error 217 at HEX", "none", 217},
        {Source::Program, " out-of-memory early", "Error", "Runtime error 203 at HEX", "none", 203},
    };
    // Where 32-bit code runs under user emulation, the program is handed other fault codes (a null
    // write arrives as an illegal instruction); a processor, and Windows, report them as they are.
    const bool thirtyTwoBit = sizeof(void*) == 4;
    const std::optional<std::string> emulator = thirtyTwoBit ? ThirtyTwoBitEmulator() : std::nullopt;
    std::string unchecked, classless;
    for (const auto& c : cases) {
        if (c.source == Source::StackOverflow && emulator) {
            unchecked += c.tail;
            continue;
        }
        RunScript script = ScriptFor(c.tail);
        script.program = TQ_BUILT(TQ_FAULT_PROBE_FILE);
        const RunOutcome outcome = RunProgram(script);
        ASSERT_EQ(outcome.boxes.size(), 1u) << c.tail << "\n" << Transcript(outcome);
        const BoxSeen& box = outcome.boxes[0];
        EXPECT_EQ(box.caption, c.caption) << c.tail;
        EXPECT_EQ(box.buttons, "OK") << c.tail;
        EXPECT_EQ(box.icon, c.icon) << c.tail;
        if (c.source == Source::Fault && emulator) {
            // Which class or run error is unknown here: one box, and the exit code it names.
            classless += c.tail;
            std::smatch number;
            if (std::regex_match(box.text, number, std::regex("Runtime error +([0-9]+) at " + std::string(Hex))))
                EXPECT_EQ(outcome.exitCode, std::stoul(number[1])) << c.tail;
            else
                EXPECT_EQ(outcome.exitCode, 1u) << c.tail << "\n" << box.text;
            continue;
        }
        EXPECT_TRUE(std::regex_match(box.text, std::regex(Expand(c.text)))) << c.tail << "\n" << box.text;
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.tail;
    }
    if (thirtyTwoBit) SayWhatFaultsChecked(emulator, classless, unchecked);
}

// Where nobody can see a box, the exit code alone tells a failure, the last resort's too.
TEST(FailureReport, WhereNobodyCanSeeABoxTheExitCodeAloneTellsIt) {
    for (const auto& [tail, exitCode] : {std::pair<const char*, DWORD>{" raise", 1}, {" raise early", 217}}) {
        RunScript script = ScriptFor(tail);
        script.program = TQ_BUILT(TQ_FAULT_PROBE_FILE);
        script.unseen = true;
        EXPECT_EQ(Transcript(RunProgram(script)), "exit " + std::to_string(exitCode) + "\n") << tail;
    }
}

TEST(FailureReport, ALongMessageIsCutAt1023Characters) {
    RunScript script = ScriptFor(" raise-long");
    script.program = TQ_BUILT(TQ_FAULT_PROBE_FILE);
    const RunOutcome outcome = RunProgram(script);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_EQ(outcome.boxes[0].text.size(), 1023u);
    EXPECT_EQ(outcome.boxes[0].text.back(), 'L');
    EXPECT_EQ(outcome.exitCode, 1u);
}
}  // namespace
