#include <string>

#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {
struct ArgumentCase {
    const char* commandLine;
    const char* first;  // the argument at index 1
};

TEST(CommandLine, FirstArgumentByTheQuotingRules) {
    const ArgumentCase cases[] = {
        {"prog", ""},
        {"prog /install", "/install"},
        {"prog \"/install\"", "/install"},
        {"prog /in\"st\"all", "/install"},
        {"prog\t/install", "/install"},
        {"prog \"\" /install", "/install"},
        {"prog \"\"\"\" /install", "/install"},
        {"prog \"/install", "/install"},
        {"prog \"/inst all", "/inst all"},
        {"prog \" \"", " "},
        {"prog \"\"", ""},
        {"prog \"\" \"\"", ""},
        {"prog \"", ""},
        {"prog /install extra", "/install"},
        {"prog extra /install", "extra"},
        {"\"C:\\Program Files\\prog.exe\" -uninstall", "-uninstall"},
        {"prog a\\\"b c\"", "a\\b c"},
        {"prog \x01\x1F/install", "/install"},
        {"prog \"a\x01" "b\"", "a\x01" "b"},
        {"prog \xE4\xF6\xFF", "\xE4\xF6\xFF"},
        {"prog \x80/install", "\x80/install"},
        {"\"\" prog /install", "/install"},
    };
    for (const auto& c : cases) EXPECT_EQ(ArgumentOf(c.commandLine, 1), c.first) << c.commandLine;
}

TEST(CommandLine, LaterArgumentsAndTheEndOfTheLine) {
    const char* line = "prog one \"two three\" four";
    EXPECT_EQ(ArgumentOf(line, 0), "prog");
    EXPECT_EQ(ArgumentOf(line, 2), "two three");
    EXPECT_EQ(ArgumentOf(line, 3), "four");
    EXPECT_EQ(ArgumentOf(line, 4), "");
    EXPECT_EQ(ArgumentOf(line, 50), "");
    EXPECT_EQ(ArgumentOf("", 1), "");
}

TEST(CommandLine, LongArgumentsAreCutButSkippedWhole) {
    const std::string longOne(10000, 'x');
    const std::string line = "prog " + longOne + " /install";
    EXPECT_EQ(ArgumentOf(line.c_str(), 1), std::string(MaxArgumentLength, 'x'));
    EXPECT_EQ(ArgumentOf(line.c_str(), 2), "/install");
    const std::string longName = "\"" + std::string(300, 'p') + "\" /install";
    EXPECT_EQ(ArgumentOf(longName.c_str(), 1), "/install");
    const std::string quotedLong = "prog \"" + std::string(300, 'q') + "\"\"" + std::string(300, 'r');
    const ArgumentRead read = NextArgument(quotedLong.c_str() + 4);
    EXPECT_EQ(read.argument, std::string(256, 'q'));
    EXPECT_EQ(*read.next, '\0');
}

// While anything is left, a read moves on; an empty read comes only at the end of the line, where
// the counting of arguments stops.
TEST(CommandLine, EveryReadMakesProgress) {
    const char* lines[] = {"\"", "\"\"", "a\"", " \"\" \" x", "\t\t", "\"\"\"", "a b", "\" \"\"\""};
    for (const char* line : lines) {
        const char* p = line;
        for (int reads = 0; *p != '\0'; ++reads) {
            ASSERT_LT(reads, 10) << line;
            const ArgumentRead read = NextArgument(p);
            ASSERT_GT(read.next, p) << line;
            EXPECT_TRUE(!read.argument.empty() || *read.next == '\0') << line;
            p = read.next;
        }
    }
}
}  // namespace
