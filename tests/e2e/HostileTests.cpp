// Hostile states: whatever registry and files a machine holds, each run ends the way it should,
// without a crash or a hang, and changes nothing that is not the product's own. Each case is
// counted in the reliability log.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "platform/text/Text.h"
#include "tests/e2e/Scenario.h"
#include "tests/support/Keys.h"

namespace {
const RegValue Dword = {REG_DWORD, std::string("\1\0\0\0", 4)};

RegEntry WinampPath(const RegValue& value) { return Value(HKEY_CURRENT_USER, OptionsKey, "WinampPath", value); }
std::string Failure(const std::string& message) {
    return std::string(says::FailureBoxStart) + message + says::FailureBoxEnd;
}

void Hostile(const Scenario& scenario) { RecordHostile(scenario, Check(scenario)); }

// Each type where the program reads a text that names the player: the Play command on install,
// WinampPath on uninstall. A type that is no text ends the run in the failure box where it is
// met: the install does not prune, the uninstall removes nothing.
TEST(Hostile, EveryValueTypeWhereThePlayerIsRead) {
    const struct {
        const char* name;
        RegValue value;
        bool fails;
    } cases[] = {
        {"REG_DWORD", Dword, true},
        {"empty REG_BINARY: no text", {REG_BINARY, ""}, false},
        {"REG_BINARY", {REG_BINARY, Player}, true},
        {"REG_MULTI_SZ", {REG_MULTI_SZ, Player + std::string(2, '\0')}, true},
        {"REG_EXPAND_SZ", {REG_EXPAND_SZ, Player + std::string(1, '\0')}, false},
        {"REG_SZ without terminator", {REG_SZ, Player}, false},
        {"REG_SZ with an embedded zero", {REG_SZ, Player + std::string(1, '\0') + "x\\y" + std::string(1, '\0')}, false},
    };
    const RegEntry marker = Value(HKEY_CURRENT_USER, OptionsKey, "FirstRunMarker", Sz("1"));
    const RegEntry autostart = Value(HKEY_CURRENT_USER, RunKey, "Tarnquill", Sz("C:\\Tarnquill\\Tarnquill.exe"));
    for (const auto& c : cases) {
        const bool player = !c.fails && !c.value.data.empty();
        const std::optional<std::string> copied = player ? std::optional<std::string>(NewPlugin) : std::nullopt;
        const std::string onInstall = std::string(c.name) + " Play command", onUninstall = std::string(c.name) + " WinampPath";
        Scenario install{.name = onInstall.c_str(),
                         .before = {GeneralPresent(), Value(HKEY_CLASSES_ROOT, FileCommandKey, "", c.value),
                                    Entry("Tarnquill 1"), Entry("Tarnquill 2")},
                         .tail = " /install", .answers = {"ok"}, .exitCode = c.fails ? 1u : 0u,
                         .after = {c.fails ? NoValue(HKEY_CURRENT_USER, OptionsKey, "WinampPath") : WinampPath(Sz(player ? Player : "")),
                                   c.fails ? Entry("Tarnquill 1") : NoEntry("Tarnquill 1")},
                         .filesAfter = {{Companion, copied}}};
        Scenario uninstall{.name = onUninstall.c_str(), .before = {WinampPath(c.value), marker, autostart},
                           .filesBefore = {{Companion, "plug-in"}}, .tail = " /uninstall", .answers = {"ok"},
                           .exitCode = c.fails ? 1u : 0u,
                           .after = {c.fails ? marker : NoValue(HKEY_CURRENT_USER, OptionsKey, "FirstRunMarker"),
                                     c.fails ? autostart : NoValue(HKEY_CURRENT_USER, RunKey, "Tarnquill")},
                           .filesAfter = {{Companion, player ? std::nullopt : std::optional<std::string>("plug-in")}}};
        if (c.fails) {
            install.boxes = {Failure("Invalid data type for ''\\.")};
            uninstall.boxes = {Failure("Invalid data type for 'WinampPath'\\.")};
        }
        Hostile(install);
        Hostile(uninstall);
    }
}

TEST(Hostile, TheHotkeysKeyHoldsOnlyValues) {
    Hostile({.name = "General as a value, not a subkey",
             .before = {Value(HKEY_CURRENT_USER, "Software\\Halvorstead\\Tarnquill\\Hotkeys", "General", Dword),
                        Value(HKEY_CURRENT_USER, "Software\\Halvorstead\\Tarnquill\\Hotkeys", "", {REG_BINARY, "\xFF"})},
             .tail = " /install", .answers = {"yes"}, .boxes = {says::Question},
             .after = {Value(HKEY_CURRENT_USER, OptionsKey, "DefaultModifier", Sz("8"))}});
    const RegEntry modifier = Value(HKEY_CURRENT_USER, OptionsKey, "DefaultModifier", Sz("7"));
    Hostile({.name = "General with values of every type: no question, the modifier unchanged",
             .before = {GeneralPresent(), modifier, Value(HKEY_CURRENT_USER, HotkeysGeneralKey, "x", Dword),
                        Value(HKEY_CURRENT_USER, HotkeysGeneralKey, "", {REG_MULTI_SZ, std::string("a\0\0", 3)})},
             .tail = " /install", .boxes = {}, .after = {modifier}});
}

TEST(Hostile, KeysThatCannotBeCreated) {
    Hostile({.name = "volatile product key: Options cannot be created",
             .before = {VolatileKey(HKEY_CURRENT_USER, ProductKey), Entry("Tarnquill 1"), Entry("Tarnquill 2")},
             .tail = " /install", .answers = {"yes", "ok"},
             .boxes = {says::Question, Failure("Failed to create key Options\\.")}, .exitCode = 1,
             .after = {NoKey(HKEY_CURRENT_USER, OptionsKey), Entry("Tarnquill 1")}});
    Hostile({.name = "volatile product key on uninstall", .before = {VolatileKey(HKEY_CURRENT_USER, ProductKey)},
             .tail = " /uninstall", .boxes = {}});
}

TEST(Hostile, HugeInputs) {
    const std::string megabyte(1 << 20, 'x');
    Hostile({.name = "a Play command of one megabyte", .before = {GeneralPresent(), PlayCommand(QuotedPlayer + megabyte)},
             .tail = " /install", .boxes = {}, .after = {Value(HKEY_CURRENT_USER, OptionsKey, "WinampPath", Sz(Player))},
             .filesAfter = {{Companion, NewPlugin}}});
    Hostile({.name = "a Play command of one megabyte without the player's name",
             .before = {GeneralPresent(), PlayCommand(megabyte)}, .tail = " /install", .boxes = {says::CopyFailed},
             .after = {Value(HKEY_CURRENT_USER, OptionsKey, "WinampPath", Sz(megabyte))}});
    Hostile({.name = "a 10,000-character first argument", .tail = " /install" + std::string(10000, 'l'), .boxes = {}});
    Hostile({.name = "a 10,000-character second argument", .before = {GeneralPresent()},
             .tail = " /install " + std::string(10000, 'x'), .boxes = {},
             .after = {Value(HKEY_CURRENT_USER, OptionsKey, "WinampPath", Sz(""))}});

    Scenario longNames{.name = "255-character names in the uninstall list", .before = {GeneralPresent()}, .tail = " /install"};
    for (char last : {'a', 'b', 'c'}) {
        const std::string product = "Tarnquill " + std::string(244, 'v') + last;
        const std::string other = "TqOther " + std::string(246, 'o') + last;
        longNames.before.push_back(Entry(product));
        longNames.before.push_back(Entry(other));
        longNames.after.push_back(last == 'c' ? Entry(product) : NoEntry(product));
    }
    Hostile(longNames);
}

TEST(Hostile, TenThousandUninstallEntries) {
    Scenario crowd{.name = "10,000 entries, 1,000 of them the product's", .before = {GeneralPresent()},
                   .tail = " /install", .timeoutMs = 120000};
    const char* const prefixes[] = {"Tarnquill ", "TARNQUILL ", "tarnquill "};
    for (int i = 0; i < 10000; ++i) {
        const std::string number = std::to_string(10000 + i).substr(1);
        const bool product = i % 10 == 0;
        crowd.before.push_back(Entry(product ? prefixes[i % 3] + number : "TqOther " + number));
        // Of the product's entries only the one that sorts last stays; the others' are checked as foreign.
        if (product)
            crowd.after.push_back(i == 9990 ? Entry(prefixes[i % 3] + number)
                                            : NoEntry(prefixes[i % 3] + number));
    }
    Hostile(crowd);
}

// Whatever an unprivileged user left in the Plugins folder: the elevated program replaces or
// removes the names it owns and writes through none of them; attributes trap nobody. Install runs
// with the player registered, uninstall with its path stored.
struct FileCase {
    const char* name;
    const char* tail;
    std::vector<FileEntry> before;
    std::vector<FileLink> links;
    std::vector<FileEntry> after;
    std::vector<std::string> boxes = {};
    std::string heldFile = {};
    std::string player = Player;
    std::vector<std::string> folders = {};
    DWORD heldSharing = FILE_SHARE_READ;
};

TEST(Hostile, FilesInTheWay) {
    constexpr char Install[] = " /install", Uninstall[] = " /uninstall";
    constexpr DWORD ReadOnly = FILE_ATTRIBUTE_READONLY;
    const FileEntry pluginsFile = {"{dir}\\Odd\\Plugins", "not a folder"};
    const FileEntry library = {SharedLibrary, "another program's library", 0};
    const FileEntry readOnlyLibrary = {SharedLibrary, "another program's library", ReadOnly};
    const FileEntry newPlugin = {Companion, NewPlugin, 0}, noCompanion = {Companion, std::nullopt};
    const FileEntry noEdition = {Edition, std::nullopt};
    const FileLink hardCompanion = {Companion, SharedLibrary, FileLinkKind::Hard};
    // New files of runs killed before their move: the program's own by their name alone.
    auto leftover = [](const char* processAndAttempt) { return Companion + "." + processAndAttempt + ".tmp"; };
    const FileEntry lookAlike = {leftover("4242-0") + ".bak", "another program's"};
    const FileCase cases[] = {
        {"a Plugins folder that is a file, on install", Install, {pluginsFile}, {}, {pluginsFile}, {says::CopyFailed}, "",
         "{dir}\\Odd\\winamp.exe", {"{dir}\\Odd"}},
        {"a Plugins folder that is a file, on uninstall", Uninstall, {pluginsFile}, {}, {pluginsFile}, {}, "",
         "{dir}\\Odd\\winamp.exe", {"{dir}\\Odd"}},
        {"a read-only plug-in edition goes, the copy follows", Install, {{Edition, "old edition", ReadOnly}}, {},
         {noEdition, newPlugin}, {says::EditionFound}},
        {"a locked companion plug-in cannot be overwritten, and nothing is left beside it", Install,
         {{Companion, "old companion"}}, {}, {{Companion, "old companion"}}, {says::CopyFailed}, Companion},
        {"a locked plug-in edition", Install, {{Edition, "old edition"}}, {}, {{Edition, "old edition"}, newPlugin},
         {says::EditionFound}, Edition},
        {"a read-only working-folder plug-in gives a writable copy", Install, {{"{wd}\\gen_zorv.dll", NewPlugin, ReadOnly}},
         {}, {newPlugin}},
        {"a read-only companion plug-in is replaced", Install, {{Companion, "old companion", ReadOnly}}, {}, {newPlugin}},
        {"a read-only companion plug-in loaded by the player stays exactly as it was", Install,
         {{Companion, "old companion", ReadOnly}}, {}, {{Companion, "old companion", ReadOnly}}, {says::CopyFailed},
         Companion, Player, {}, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
        {"a hidden system companion plug-in is replaced", Install,
         {{Companion, "old companion", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}}, {}, {newPlugin}},
        {"a hard link in the companion's place is replaced, its file untouched", Install, {library}, {hardCompanion},
         {newPlugin, library}},
        {"a read-only hard link in the companion's place: its file keeps its attribute", Install, {readOnlyLibrary},
         {hardCompanion}, {newPlugin, readOnlyLibrary}},
        {"a symbolic link in the companion's place is replaced, its target untouched", Install, {library},
         {{Companion, SharedLibrary, FileLinkKind::Symbolic}}, {newPlugin, library}},
        {"a symbolic link in the companion's place to a file that is not there", Install, {},
         {{Companion, "{dir}\\Shared\\planted.dll", FileLinkKind::Symbolic}},
         {newPlugin, {"{dir}\\Shared\\planted.dll", std::nullopt}}},
        {"a read-only hard link in the edition's place goes, its file untouched", Install, {readOnlyLibrary},
         {{Edition, SharedLibrary, FileLinkKind::Hard}}, {noEdition, newPlugin, readOnlyLibrary}, {says::EditionFound}},
        {"new files of killed runs beside the plug-in go, empty or whole, a linked one's file untouched; a look-alike "
         "stays", Install, {{leftover("4242-0"), ""}, {leftover("4243-99"), NewPlugin}, library, lookAlike},
         {{leftover("4244-1"), SharedLibrary, FileLinkKind::Hard}},
         {newPlugin, {leftover("4242-0"), std::nullopt}, {leftover("4243-99"), std::nullopt},
          {leftover("4244-1"), std::nullopt}, library, lookAlike}},
        {"the new file of another running copy stays while it is held", Install, {{leftover("4242-0"), "half a copy"}},
         {}, {newPlugin, {leftover("4242-0"), "half a copy"}}, {}, leftover("4242-0"), Player, {},
         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
        {"a killed run's new file goes on uninstall too", Uninstall, {{Companion, "plug-in"}, {leftover("4242-0"), ""}},
         {}, {noCompanion, {leftover("4242-0"), std::nullopt}}},
        {"a read-only companion plug-in is deleted on uninstall without a box", Uninstall,
         {{Companion, "plug-in", ReadOnly}}, {}, {noCompanion}},
        {"a read-only hard link in the plug-in's place goes on uninstall, its file untouched", Uninstall,
         {readOnlyLibrary}, {hardCompanion}, {noCompanion, readOnlyLibrary}},
    };
    for (const FileCase& c : cases) {
        const bool install = std::string(c.tail) == Install;
        Hostile({.name = c.name,
                 .before = install ? std::vector<RegEntry>{GeneralPresent(), PlayCommand("\"" + c.player + "\" \"%1\"")}
                                   : std::vector<RegEntry>{WinampPath(Sz(c.player))},
                 .filesBefore = c.before, .foldersBefore = c.folders, .tail = c.tail, .answers = {"ok"},
                 .heldFile = c.heldFile, .heldSharing = c.heldSharing, .fileLinks = c.links, .boxes = c.boxes,
                 .filesAfter = c.after});
    }
}

TEST(Hostile, WinampComesAndGoesBetweenTheWaits) {
    const std::vector<RegEntry> registered = {GeneralPresent(), PlayCommand(QuotedPlayer)};
    Hostile({.name = "starts during the edition notice, closes at its wait", .before = registered,
             .filesBefore = {{Edition, "old edition"}}, .tail = " /install",
             .answers = {"showwinamp+ok", "closewinamp+ok"}, .boxes = {says::EditionFound, says::EditionWait},
             .filesAfter = {{Edition, std::nullopt}, {Companion, NewPlugin}}});
    Hostile({.name = "starts during the copy-failed message, the final wait asks", .before = registered,
             .filesBefore = {{"{wd}\\gen_zorv.dll", std::nullopt}}, .tail = " /install",
             .answers = {"showwinamp+ok", "ok", "closewinamp+ok"},
             .boxes = {says::CopyFailed, says::FinishWait, says::FinishWait}});
    Hostile({.name = "starts while uninstall offers Retry: Retry does not wait again",
             .before = {Value(HKEY_CURRENT_USER, OptionsKey, "WinampPath", Sz(Player))},
             .filesBefore = {{Companion, "plug-in"}}, .tail = " /uninstall", .answers = {"showwinamp+release+retry"},
             .heldFile = Companion, .boxes = {says::DeletionFailed}, .filesAfter = {{Companion, std::nullopt}}});
}
}  // namespace

namespace {
std::string Below(const std::string& entry, const std::string& below) { return EntryKey(entry) + "\\" + below; }
const std::string WideSlashPathToVictim = FullWidthPathTo(VictimKey);

// UTF-8 names: a 0 character after the newest entry's name; and a Greek alpha and beta, which
// code page 1252 reads alike, as its default character.
const std::string ZeroNamed("Tarnquill 2.0\0old", 17);
std::string Alpha(const std::string& name) { return name + "\xCE\xB1"; }
std::string Beta(const std::string& name) { return name + "\xCE\xB2"; }

ExactKey Gone(const std::string& path) { return {path, false}; }
ExactKey Stays(const std::string& path) { return {path, true}; }

TEST(Hostile, PruningReachesNothingBeyondTheList) {
    const std::vector<RegEntry> twoVersions = {GeneralPresent(), Entry("Tarnquill 1.0"), Entry("Tarnquill 2.0")};
    const std::vector<ExactKey> olderGone = {Gone(EntryKey("Tarnquill 1.0")), Stays(EntryKey("Tarnquill 2.0"))};
    const Scenario cases[] = {
        {.name = "a link below an older entry, to another program's key", .before = twoVersions,
         .links = {{Below("Tarnquill 1.0", "Shortcut"), VictimKey}}, .exactKeysAfter = olderGone},
        {.name = "an older entry that is itself a link", .before = {GeneralPresent(), Entry("Tarnquill 2.0")},
         .links = {{EntryKey("Tarnquill 1.0"), VictimKey}}, .exactKeysAfter = olderGone},
        {.name = "a link loop below an older entry", .before = twoVersions,
         .links = {{Below("Tarnquill 1.0", "Back"), EntryKey("Tarnquill 1.0")}}, .exactKeysAfter = olderGone},
        {.name = "a link to a key that does not exist", .before = twoVersions,
         .links = {{Below("Tarnquill 1.0", "Gone"), "SOFTWARE\\TqMissing"}},
         .exactKeysAfter = {Gone(EntryKey("Tarnquill 1.0")), Gone("SOFTWARE\\TqMissing")}},
        {.name = "a subkey name whose ANSI form is a path to another program's key", .before = twoVersions,
         .exactKeysBefore = {{Below("Tarnquill 1.0", WideSlashPathToVictim)}}, .exactKeysAfter = olderGone},
        {.name = "such a name deeper in an older entry", .before = twoVersions,
         .exactKeysBefore = {{Below("Tarnquill 1.0", "A\\B\\" + WideSlashPathToVictim + "\\C")}},
         .exactKeysAfter = olderGone},
        {.name = "a full-width digit, read as the default character, sorts before the newest and goes",
         .before = twoVersions, .exactKeysBefore = {{EntryKey("Tarnquill 2.\xEF\xBC\x90")}},
         .exactKeysAfter = {Gone(EntryKey("Tarnquill 1.0")), Gone(EntryKey("Tarnquill 2.\xEF\xBC\x90")),
                            Stays(EntryKey("Tarnquill 2.0"))}},
        {.name = "an entry named as the newest, a 0 character, then more: neither it nor the newest goes",
         .before = twoVersions, .exactKeysBefore = {{EntryKey(ZeroNamed) + "\\Sub"}},
         .after = {Entry("Tarnquill 2.0")},
         .exactKeysAfter = {Gone(EntryKey("Tarnquill 1.0")), Stays(EntryKey(ZeroNamed)), Stays(EntryKey(ZeroNamed) + "\\Sub")}},
        {.name = "two newest entries that read alike: both stay", .before = {GeneralPresent(), Entry("Tarnquill 1.0")},
         .exactKeysBefore = {{EntryKey(Alpha("Tarnquill 9 "))}, {EntryKey(Beta("Tarnquill 9 "))}},
         .exactKeysAfter = {Gone(EntryKey("Tarnquill 1.0")), Stays(EntryKey(Alpha("Tarnquill 9 "))),
                            Stays(EntryKey(Beta("Tarnquill 9 ")))}},
        {.name = "two older entries that read alike: both go", .before = {GeneralPresent(), Entry("Tarnquill 2.0")},
         .exactKeysBefore = {{EntryKey(Alpha("Tarnquill 1 "))}, {EntryKey(Beta("Tarnquill 1 "))}},
         .exactKeysAfter = {Gone(EntryKey(Alpha("Tarnquill 1 "))), Gone(EntryKey(Beta("Tarnquill 1 "))),
                            Stays(EntryKey("Tarnquill 2.0"))}},
        {.name = "older entries whose access lists grant only DELETE, KEY_ENUMERATE_SUB_KEYS and KEY_QUERY_VALUE",
         .before = {GeneralPresent(), Entry("Tarnquill 1.0"), Entry("Tarnquill 2.0"), Entry("Tarnquill 1.5"),
                    Key(HKEY_LOCAL_MACHINE, Below("Tarnquill 1.0", "Sub\\Deeper"))},
         .narrowKeys = {Below("Tarnquill 1.0", "Sub\\Deeper"), Below("Tarnquill 1.0", "Sub"),
                        EntryKey("Tarnquill 1.0"), EntryKey("Tarnquill 1.5")},
         .exactKeysAfter = {Gone(EntryKey("Tarnquill 1.0")), Gone(EntryKey("Tarnquill 1.5")),
                            Stays(EntryKey("Tarnquill 2.0"))}},
    };
    ASSERT_EQ(AnsiTextOf(Wide(Alpha("x"))), AnsiTextOf(Wide(Beta("x")))) << "the tie cases need a code page without Greek";
    // Wine checks no access list, so there the narrow row shows only that such entries go; on
    // Windows, that the rights asked for are enough (deletion_rights reads them from Wine's trace).
    for (Scenario scenario : cases) {
        scenario.tail = " /install";
        Hostile(scenario);
    }
}

struct CodePageCase {
    UINT codePage;
    UINT userCodePage;    // the one of the user's locale, where it differs from the system's; else 0
    const char* newest;   // a product entry named in the code page's own characters: sorts last
    const char* subkey;   // a subkey of an older entry, likewise
    const char* foreign;  // another program's entry
    const char* older;    // a product entry that sorts last only when read in the user's code page
};

UINT UserLocaleCodePage() {
    char digits[8] = "";
    GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits);
    return static_cast<UINT>(std::atoi(digits));
}

// Wine takes a process's code pages from its Unix locale (the user's from LC_MESSAGES), which a
// Windows parent cannot set for its child: the code-page tests run this whole test program under
// each locale (TQ_CODE_PAGE), and say which. Without one, it prunes in the machine's own code page
// where the table has a case for it.
TEST(Hostile, PruningInOtherCodePages) {
    const char* expected = std::getenv("TQ_CODE_PAGE");
    if (expected) {
        ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected))) << "the locale did not reach this process";
    }
    const char* user = std::getenv("TQ_USER_CODE_PAGE");
    const UINT userCodePage = user ? static_cast<UINT>(std::atoi(user)) : 0;
    if (userCodePage) {
        ASSERT_EQ(UserLocaleCodePage(), userCodePage) << "the user's locale did not reach this process";
    }
    const CodePageCase cases[] = {
        {932, 0, "Tarnquill 日本語版", "設定", "他社のプログラム", nullptr},
        {949, 0, "Tarnquill 한국어판", "설정", "다른 프로그램", nullptr},
        {936, 0, "Tarnquill 中文版", "设置", "其他程序", nullptr},
        {65001, 0, "Tarnquill हिन्दी संस्करण", "सेटिंग", "अन्य प्रोग्राम", nullptr},
        // Code page 1251 reads the byte of Ö as a Cyrillic letter, which sorts after Z.
        {1252, 1251, "Tarnquill Z", "Einstellungen", "Anderes Programm", "Tarnquill Ö"},
    };
    const auto c = std::find_if(std::begin(cases), std::end(cases), [&](const CodePageCase& c) {
        return c.codePage == GetACP() && c.userCodePage == userCodePage;
    });
    if (!expected && c == std::end(cases)) {
        std::printf("not checked in %s: the pruning in a multi-byte ANSI code page, since this machine's is %u\n",
                    TargetName().c_str(), GetACP());
        return;
    }
    ASSERT_NE(c, std::end(cases)) << "no case for code page " << GetACP() << ", user's " << userCodePage;
    std::printf("pruning checked in code page %u, the user's locale's %u\n", c->codePage, UserLocaleCodePage());
    Scenario scenario{.name = "another code page", .before = {GeneralPresent(), Entry("Tarnquill 1.0"), Entry("TARNQUILL 0.9")},
                      .tail = " /install",
                      .exactKeysBefore = {{EntryKey(c->newest)}, {Below("Tarnquill 1.0", c->subkey)},
                                          {Below("TARNQUILL 0.9", std::string(c->subkey) + "\\" + c->subkey)},
                                          {EntryKey(c->foreign)}},
                      .exactKeysAfter = {Gone(EntryKey("Tarnquill 1.0")), Gone(EntryKey("TARNQUILL 0.9")),
                                         Stays(EntryKey(c->newest)), Stays(EntryKey(c->foreign))}};
    if (c->older) {
        scenario.exactKeysBefore.push_back({EntryKey(c->older)});
        scenario.exactKeysAfter.push_back(Gone(EntryKey(c->older)));
    }
    Hostile(scenario);
}
}  // namespace
