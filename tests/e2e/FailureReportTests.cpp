// Every failure that nothing handles ends in one box and an exit code, as its user sees it.
#include <regex>

#include <gtest/gtest.h>

#include "tests/e2e/Program.h"

namespace {
struct FailureCase {
    const char* tail;
    const char* caption;
    const char* text;  // a regular expression for the whole text
    const char* icon;
    DWORD exitCode;
};

constexpr char Hex[] = "[0-9A-F]{8,16}";

std::string Expand(const char* pattern) {
    return std::regex_replace(pattern, std::regex("HEX"), Hex);
}

TEST(FailureReport, EachFailureEndsInOneBoxAndItsExitCode) {
    const FailureCase cases[] = {
        {" raise", "Application Error",
         "Exception ERegistryException in module fault_probe\\.exe at HEX\\.\nFailed to create key Options\\.",
         "error", 1},
        {" raise-stop", "Application Error",
         "Exception ERegistryException in module fault_probe\\.exe at HEX\\.\nEnds in a stop\\.", "error", 1},
        {" raise-empty", "Application Error",
         "Exception EStringListError in module fault_probe\\.exe at HEX\\.\n", "error", 1},
        {" out-of-memory", "Application Error",
         "Exception EOutOfMemory in module fault_probe\\.exe at 00000000\\.\nOut of memory\\.", "error", 1},
        {" too-long", "Application Error", "Exception std::length_error in module fault_probe\\.exe at 00000000\\.\n",
         "error", 1},
        {" write", "Application Error",
         "Exception EAccessViolation in module fault_probe\\.exe at HEX\\.\nAccess violation at address "
         "HEX in module 'fault_probe\\.exe'\\. Write of address 00000000\\.",
         "error", 1},
        {" read", "Application Error",
         "Exception EAccessViolation in module fault_probe\\.exe at HEX\\.\nAccess violation at address "
         "HEX in module 'fault_probe\\.exe'\\. Read of address 00000010\\.",
         "error", 1},
        {" outside", "Application Error",
         "Exception EAccessViolation in module fault_probe\\.exe at HEX\\.\nAccess violation at address HEX\\. "
         "Read of address 00000000\\.",
         "error", 1},
        {" divide", "Application Error",
         "Exception EDivisionByZero in module fault_probe\\.exe at HEX\\.\nDivision by zero\\.", "error", 1},
        {" overflow", "Application Error",
         "Exception EStackOverflow in module fault_probe\\.exe at HEX\\.\nStack overflow\\.", "error", 1},
        {" write early", "Error", "Runtime error 216 at HEX", "none", 216},
        {" divide early", "Error", "Runtime error 200 at HEX", "none", 200},
        {" raise early", "Error", "Runtime error 217 at HEX", "none", 217},
    };
    for (const auto& c : cases) {
        RunScript script = ScriptFor(c.tail);
        script.program = WindowsPathOf(TQ_FAULT_PROBE_FILE);
        const RunOutcome outcome = RunProgram(script);
        ASSERT_EQ(outcome.boxes.size(), 1u) << c.tail << "\n" << Transcript(outcome);
        const BoxSeen& box = outcome.boxes[0];
        EXPECT_EQ(box.caption, c.caption) << c.tail;
        EXPECT_TRUE(std::regex_match(box.text, std::regex(Expand(c.text)))) << c.tail << "\n" << box.text;
        EXPECT_EQ(box.buttons, "OK") << c.tail;
        EXPECT_EQ(box.icon, c.icon) << c.tail;
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.tail;
    }
}

TEST(FailureReport, ALongMessageIsCutAt1023Characters) {
    RunScript script = ScriptFor(" raise-long");
    script.program = WindowsPathOf(TQ_FAULT_PROBE_FILE);
    const RunOutcome outcome = RunProgram(script);
    ASSERT_EQ(outcome.boxes.size(), 1u);
    EXPECT_EQ(outcome.boxes[0].text.size(), 1023u);
    EXPECT_EQ(outcome.boxes[0].text.back(), 'L');
    EXPECT_EQ(outcome.exitCode, 1u);
}
}  // namespace
