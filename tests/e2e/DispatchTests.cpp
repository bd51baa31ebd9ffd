// The program's first argument chooses what it does; everything else about it is ignored.
#include <gtest/gtest.h>

#include "tests/e2e/Program.h"

namespace {
constexpr char ProductKey[] = "Software\\Halvorstead\\Tarnquill";
constexpr char OptionsKey[] = "Software\\Halvorstead\\Tarnquill\\Options";
constexpr char NoticeText[] =
    "This is Tarnquill installation manager. It is run automatically when needed. Please press OK "
    "to close.";

enum class Mode { Notice, Install, Uninstall, Nothing, OtherBox };

struct DispatchCase {
    const char* tail;
    Mode mode;
};

// Install mode asks the Win-key question (no Hotkeys\General); uninstall mode removes the marker.
void PrepareToTellTheModes() {
    DeleteTree(HKEY_CURRENT_USER, ProductKey);
    SetValue(HKEY_CURRENT_USER, OptionsKey, "FirstRunMarker", Sz("1"));
}

Mode ModeSeen(const RunOutcome& outcome) {
    if (!outcome.boxes.empty() && outcome.boxes[0].text == NoticeText) return Mode::Notice;
    if (!outcome.boxes.empty() && outcome.boxes[0].caption == "Tarnquill installation") return Mode::Install;
    if (!outcome.boxes.empty()) return Mode::OtherBox;
    if (!GetValue(HKEY_CURRENT_USER, OptionsKey, "FirstRunMarker")) return Mode::Uninstall;
    return Mode::Nothing;
}

// How quotes, separators and later arguments make the first argument is the command-line reader's
// table; here, what the program does with it.
TEST(Dispatch, TheFirstArgumentLessItsFirstCharacterChoosesTheMode) {
    const DispatchCase cases[] = {
        {"", Mode::Notice},
        {" ", Mode::Notice},
        {" \"\"", Mode::Notice},
        {" /install", Mode::Install},
        {" -install", Mode::Install},
        {" xinstall", Mode::Install},
        {" /in\"st\"all", Mode::Install},
        {" /uninstall", Mode::Uninstall},
        {" -uninstall", Mode::Uninstall},
        {" /Install", Mode::Nothing},
        {" /INSTALL", Mode::Nothing},
        {" install", Mode::Nothing},
        {" //install", Mode::Nothing},
        {" /", Mode::Nothing},
        {" /install2", Mode::Nothing},
        {" \" \"", Mode::Nothing},
        {" /\xE4install", Mode::Nothing},
    };
    for (const auto& c : cases) {
        PrepareToTellTheModes();
        RunScript script = ScriptFor(c.tail);
        script.answers = {"no"};
        const RunOutcome outcome = RunProgram(script);
        ASSERT_TRUE(outcome.started);
        EXPECT_EQ(ModeSeen(outcome), c.mode) << "tail [" << c.tail << "]\n" << Transcript(outcome);
        EXPECT_EQ(outcome.exitCode, 0u) << c.tail;
    }
}

TEST(Dispatch, TheNoticeIsOneInformationBoxWhereSomeoneCanSeeIt) {
    EXPECT_EQ(Transcript(RunProgram(ScriptFor(""))),
              std::string("Tarnquill | ") + NoticeText + " | OK | information -> ok\nexit 0\n");
    RunScript unseen = ScriptFor("");
    unseen.unseen = true;
    EXPECT_EQ(Transcript(RunProgram(unseen)), "exit 0\n");
}

TEST(Dispatch, ArgumentsOfAnyLengthAndByteDoNothing) {
    std::string highBytes;
    for (int b = 128; b < 256; ++b) highBytes += static_cast<char>(b);
    const std::string tails[] = {" /" + std::string(10000, 'x'), " /" + highBytes};
    for (const auto& tail : tails) {
        PrepareToTellTheModes();
        const RunOutcome outcome = RunProgram(ScriptFor(tail));
        EXPECT_EQ(Transcript(outcome), "exit 0\n") << tail.size();
        EXPECT_TRUE(GetValue(HKEY_CURRENT_USER, OptionsKey, "FirstRunMarker"));
    }
}

TEST(Dispatch, AProgramNameLongerThanAnArgumentStillCountsAsTheName) {
    PrepareToTellTheModes();
    RunScript script = ScriptFor("");
    script.commandLine = "\"" + std::string(400, 'p') + "\" /uninstall";
    const RunOutcome outcome = RunProgram(script);
    EXPECT_EQ(Transcript(outcome), "exit 0\n");
    EXPECT_EQ(ModeSeen(outcome), Mode::Uninstall);
}
}  // namespace
