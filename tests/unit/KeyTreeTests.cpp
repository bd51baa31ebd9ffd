// Deleting a key with its subtree against the real registry: whatever shape the subtree has
// (names that could turn into paths, names with a 0 inside, depth), only the key and what lies
// really below it go. Links and loops below the uninstall list are the hostile tests' rows.
#include <windows.h>

#include <functional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/registry/KeyTree.h"
#include "platform/registry/Registry.h"
#include "platform/text/StringList.h"
#include "tests/support/Keys.h"
#include "tests/support/Scratch.h"

namespace {
constexpr char Area[] = "Software\\TarnquillTests\\Tree";
const std::string Entry = std::string(Area) + "\\Entry";
const std::string Victim = std::string(Area) + "\\Victim";
std::string Under(const std::string& key, const std::string& below) { return key + "\\" + below; }

class KeyTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clear();
        MakeKey(HKEY_LOCAL_MACHINE, Area);
        SetValue(HKEY_LOCAL_MACHINE, Victim, "Data", Sz("another program's"));
        SetValue(HKEY_LOCAL_MACHINE, Under(Victim, "Sub"), "Number", {REG_DWORD, std::string("\7\0\0\0", 4)});
        SetValue(HKEY_LOCAL_MACHINE, Under(Victim, "Sub\\Deeper"), "", {REG_BINARY, "\x01\x02"});
        victimBefore_ = Snapshot(HKEY_LOCAL_MACHINE, Victim);
        handlesBefore_ = KeyHandle::LiveCount();
    }
    void TearDown() override {
        EXPECT_EQ(KeyHandle::LiveCount(), handlesBefore_) << "a key handle was left open";
        Clear();
    }
    static void Clear() { DeleteTree(HKEY_LOCAL_MACHINE, "Software\\TarnquillTests"); }
    // Removes the area's subkey that sorts as `name` the way the pruning does: listed, then by item.
    static bool RemoveListed(const std::wstring& exactName) {
        TRegIniFile registry(Area);
        registry.SetRoot(HKEY_LOCAL_MACHINE);
        registry.OpenPath(Area, false);
        TStringList names;
        registry.ListSections(names);
        for (int i = 0; i < names.ItemCount(); ++i) {
            const auto name = std::dynamic_pointer_cast<const TSubkeyName>(names.ObjectAt(i));
            if (name && name->exact == exactName) return registry.RemoveSection(names, i);
        }
        ADD_FAILURE() << "not listed";
        return false;
    }
    std::map<std::string, RegValue> victimBefore_;
    int handlesBefore_ = 0;
};

struct Shape {
    const char* name;
    std::function<void()> make;
};

TEST_F(KeyTreeTest, AnEntryGoesWithItsTreeAndNothingBeyondIt) {
    const Shape shapes[] = {
        {"names that a best-fit conversion would make paths to other keys, deeper down", [] {
             MakeKey(HKEY_LOCAL_MACHINE, Under(Entry, "A\\B\\" + FullWidthPathTo(Victim) + "\\C"));
             MakeKey(HKEY_LOCAL_MACHINE, Under(Entry, "A\\" + FullWidthPathTo(Area)));
         }},
        {"a subkey named by a lone 0 character, which a C string makes the entry itself",
         [] { SetValue(HKEY_LOCAL_MACHINE, Entry, "Data", Sz("x")); MakeKey(HKEY_LOCAL_MACHINE, Under(Entry, std::string("\0", 1))); }},
        {"a subkey whose name holds a 0 after a sibling's name", [] {
             MakeKey(HKEY_LOCAL_MACHINE, Under(Entry, "Values"));
             MakeKey(HKEY_LOCAL_MACHINE, Under(Entry, std::string("Values\0x\\Deeper", 15)));
         }},
        {"500 levels", [] {
             std::string path = Entry;
             for (int level = 0; level < 500; ++level) path += "\\L";
             SetValue(HKEY_LOCAL_MACHINE, path, "Deepest", Sz("x"));
         }},
    };
    for (const Shape& shape : shapes) {
        MakeKey(HKEY_LOCAL_MACHINE, Under(Area, "Sibling"));
        shape.make();
        ASSERT_TRUE(KeyItselfExists(HKEY_LOCAL_MACHINE, Entry)) << shape.name;
        EXPECT_TRUE(RemoveListed(L"Entry")) << shape.name;
        EXPECT_FALSE(KeyItselfExists(HKEY_LOCAL_MACHINE, Entry)) << shape.name;
        EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, Victim), victimBefore_) << shape.name;
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Under(Area, "Sibling"))) << shape.name;
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Under(Area, "Missing"))) << shape.name;
    }
}

// "Tarnquill 2.0", the same with a full-width zero (U+FF10), which the code page cannot hold (a
// best fit would make it '0'), and the same followed by a 0 character: no text the platform
// takes, so it is not listed, and its exact name opens that key, never the sibling named by the
// part before the 0. How the pruning treats each is the hostile tests' rows.
TEST_F(KeyTreeTest, EntriesThatReadAlikeInTheCodePageAreTwoEntries) {
    const std::string odd("Tarnquill 2.0\0old", 17);
    SetValue(HKEY_LOCAL_MACHINE, Under(Area, "Tarnquill 2.0"), "DisplayName", Sz("Tarnquill 2.0"));
    MakeKey(HKEY_LOCAL_MACHINE, Under(Area, "Tarnquill 2.\xEF\xBC\x90\\Sub"));
    MakeKey(HKEY_LOCAL_MACHINE, Under(Area, odd + "\\Sub"));
    TRegistry registry;
    registry.SetRoot(HKEY_LOCAL_MACHINE);
    registry.OpenPath(Area, false);
    TStringList names;
    registry.ListSubkeys(names);
    std::multiset<std::string> listed;
    for (int i = 0; i < names.ItemCount(); ++i) listed.insert(names.ItemAt(i));
    EXPECT_EQ(listed, (std::multiset<std::string>{"Tarnquill 2.0", "Tarnquill 2.?", "Victim"}))
        << "a character the code page cannot hold is shown as its default character";

    EXPECT_TRUE(RemoveKeyTree(OpenSubkeyItself(registry.OpenHandle(), Wide(odd))));
    EXPECT_FALSE(KeyItselfExists(HKEY_LOCAL_MACHINE, Under(Area, odd)));
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, Under(Area, "Tarnquill 2.0"), "DisplayName"), Sz("Tarnquill 2.0"));
    EXPECT_FALSE(OpenSubkeyItself(registry.OpenHandle(), std::wstring())) << "an empty name names the parent";
}

TEST_F(KeyTreeTest, ATreeDeeperThanTheRegistryAllowsStaysAndTheRunGoesOn) {
    std::string path = Entry;
    for (int level = 0; level < 520; ++level) path += "\\L";
    if (!OpenPath(HKEY_LOCAL_MACHINE, path, KeyWalk::Create)) GTEST_SKIP() << "this registry refuses 520 levels, as Windows does";
    EXPECT_FALSE(RemoveListed(L"Entry"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Entry));
    EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, Victim), victimBefore_);
}
}  // namespace
