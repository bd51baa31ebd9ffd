// The registry objects against the real registry; each test works below a scratch key of its own.
#include <windows.h>

#include <climits>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "platform/Exception.h"
#include "platform/registry/Registry.h"
#include "platform/text/StringList.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/Scratch.h"

namespace {
constexpr char Scratch[] = "Software\\TarnquillTests\\Registry";

std::string Path(const std::string& below) { return std::string(Scratch) + "\\" + below; }

template <class Action>
std::string RaisedMessage(Action action) {
    try {
        action();
    } catch (const ERegistryException& failure) {
        return failure.Message();
    }
    return "(nothing raised)";
}

// The platform never refuses a data query whose size query succeeded, short of a race; so for
// that one call the test swaps the program's import for one that refuses queries with a buffer.
using QueryValue = LONG(WINAPI*)(HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
QueryValue originalQuery = nullptr;

LONG WINAPI RefuseDataQuery(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    return data ? ERROR_ACCESS_DENIED : originalQuery(key, name, reserved, type, data, size);
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteTree(HKEY_CURRENT_USER, Scratch);
        MakeKey(HKEY_CURRENT_USER, Scratch);  // first, so that no volatile key below makes it volatile
        handlesBefore_ = KeyHandle::LiveCount();
    }
    void TearDown() override {
        EXPECT_EQ(KeyHandle::LiveCount(), handlesBefore_) << "a key handle was left open";
        DeleteTree(HKEY_CURRENT_USER, Scratch);
    }
    int handlesBefore_ = 0;
};

TEST_F(RegistryTest, RelativeOpensAddUpAndAbsoluteOnesStartAtTheRoot) {
    TRegistry registry;
    EXPECT_EQ(registry.RootHandle(), HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenPath(Path("One\\Two"), true));
    EXPECT_EQ(registry.KeyPath(), Path("One\\Two"));
    ASSERT_TRUE(registry.OpenPath("Three", true));
    EXPECT_EQ(registry.KeyPath(), Path("One\\Two\\Three"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Path("One\\Two\\Three")));
    EXPECT_EQ(KeyHandle::LiveCount(), handlesBefore_ + 1);
    ASSERT_TRUE(registry.OpenPath("\\" + Path("One"), false));
    EXPECT_EQ(registry.KeyPath(), Path("One"));
    ASSERT_TRUE(registry.OpenPath("", true));  // the open key itself, never created
    EXPECT_EQ(registry.KeyPath(), Path("One") + "\\");
    registry.ClosePath();
    EXPECT_EQ(registry.KeyPath(), "");
    EXPECT_EQ(registry.OpenHandle(), nullptr);
}

TEST_F(RegistryTest, AFailedOpenLeavesTheOpenKeyUsable) {
    TRegIniFile registry(Path("Home"));
    const HKEY before = registry.OpenHandle();
    EXPECT_FALSE(registry.OpenPath("Missing\\Key", false));
    MakeKey(HKEY_CURRENT_USER, Path("Volatile"), true);
    EXPECT_FALSE(registry.OpenPath("\\" + Path("Volatile\\Child"), true));
    EXPECT_EQ(registry.OpenHandle(), before);
    EXPECT_EQ(registry.KeyPath(), Path("Home"));
    registry.WriteText("Still", "usable");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, Path("Home"), "Still"), (RegValue{REG_SZ, std::string("usable\0", 7)}));
}

TEST_F(RegistryTest, SetRootClosesTheKeyOnlyForAnotherRoot) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenPath(Path("Key"), true));
    registry.SetRoot(HKEY_CURRENT_USER);
    EXPECT_EQ(registry.KeyPath(), Path("Key"));
    EXPECT_NE(registry.OpenHandle(), nullptr);
    registry.SetRoot(HKEY_CLASSES_ROOT);
    EXPECT_EQ(registry.OpenHandle(), nullptr);
    EXPECT_EQ(registry.KeyPath(), "");
    EXPECT_TRUE(registry.OpenPath("TarnquillTests.Root", true));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "TarnquillTests.Root"));
    registry.ClosePath();
    RegDeleteKeyA(HKEY_CLASSES_ROOT, "TarnquillTests.Root");
}

TEST_F(RegistryTest, EntriesAreStoredAsStringValues) {
    TRegIniFile registry(Path("Home"));
    registry.WriteNumberEntry("Options", "Eight", 8);
    registry.WriteNumberEntry("Options", "Negative", -42);
    registry.WriteNumberEntry("Options", "Lowest", INT_MIN);
    registry.WriteEntry("Options", "Empty", "");
    registry.WriteEntry("", "Direct", "in the open key");
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, Path("Home\\Options"), "Eight"), (RegValue{REG_SZ, std::string("8\0", 2)}));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, Path("Home\\Options"), "Negative"), (RegValue{REG_SZ, std::string("-42\0", 4)}));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, Path("Home\\Options"), "Lowest"), (RegValue{REG_SZ, std::string("-2147483648\0", 12)}));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, Path("Home\\Options"), "Empty"), (RegValue{REG_SZ, std::string(1, '\0')}));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, Path("Home"), "Direct")->data, std::string("in the open key\0", 16));
    EXPECT_EQ(registry.ReadEntry("Options", "Eight", "default"), "8");
    EXPECT_EQ(registry.ReadEntry("Options", "Empty", "default"), "");
    EXPECT_EQ(registry.ReadEntry("Options", "Missing", "default"), "default");
}

struct ReadCase {
    const char* name;
    DWORD type;
    std::string data;
    const char* text;  // nullptr: "Invalid data type" is raised
};

// The other types, and texts cut at a 0 or without one, are the hostile tests' rows, end to end.
TEST_F(RegistryTest, ReadEntryAcceptsOnlyTextAndCutsAtTheFirstZero) {
    const ReadCase cases[] = {
        {"Plain", REG_SZ, std::string("text\0", 5), "text"},
        {"", REG_SZ, std::string("unnamed\0", 8), "unnamed"},
        {"EmptyDword", REG_DWORD, "", ""},
        {"None", REG_NONE, "x", nullptr},
    };
    for (const auto& c : cases) SetValue(HKEY_CURRENT_USER, Path("Home\\Section"), c.name, {c.type, c.data});
    TRegIniFile registry(Path("Home"));
    for (const auto& c : cases) {
        if (c.text) {
            EXPECT_EQ(registry.ReadEntry("Section", c.name, "default"), c.text) << c.name;
        } else {
            EXPECT_EQ(RaisedMessage([&] { registry.ReadEntry("Section", c.name, "d"); }),
                      std::string("Invalid data type for '") + c.name + "'");
        }
        EXPECT_EQ(registry.KeyPath(), Path("Home"));
        EXPECT_EQ(KeyHandle::LiveCount(), handlesBefore_ + 1) << c.name;
    }
}

TEST_F(RegistryTest, ReadingAndRemovingInAMissingSectionCreateNothing) {
    TRegIniFile registry(Path("Home"));
    EXPECT_EQ(registry.ReadEntry("Nowhere", "Entry", "default"), "default");
    registry.RemoveEntry("Nowhere", "Entry");
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Path("Home\\Nowhere")));
    SetValue(HKEY_CURRENT_USER, Path("Home\\Run"), "Keep", {REG_SZ, std::string("k\0", 2)});
    SetValue(HKEY_CURRENT_USER, Path("Home\\Run"), "Gone", {REG_SZ, std::string("g\0", 2)});
    registry.RemoveEntry("Run", "Gone");
    registry.RemoveEntry("Run", "Gone");
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, Path("Home\\Run"), "Gone"));
    EXPECT_TRUE(GetValue(HKEY_CURRENT_USER, Path("Home\\Run"), "Keep"));
}

TEST_F(RegistryTest, RemoveSectionDeletesAWholeTree) {
    for (const char* key : {"Tree\\A", "Tree\\B\\Deep", "Tree\\C", "Tree\\D"}) SetValue(HKEY_CURRENT_USER, Path(key), "v", {REG_SZ, "x"});
    for (int i = 0; i < 40; ++i) SetValue(HKEY_CURRENT_USER, Path("Wide\\Item" + std::to_string(i)), "v", {REG_SZ, "x"});
    TRegIniFile registry(Scratch);
    EXPECT_TRUE(registry.RemoveSection("Tree"));
    EXPECT_TRUE(registry.RemoveSection("\\" + Path("Wide")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Path("Tree")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Path("Wide")));
    EXPECT_FALSE(registry.RemoveSection("Tree"));
    EXPECT_EQ(registry.KeyPath(), Scratch);
}

TEST_F(RegistryTest, ListSectionsNamesEverySubkeyOrNoneWithoutAKey) {
    for (const char* key : {"List\\b", "List\\a", "List\\c\\d"}) SetValue(HKEY_CURRENT_USER, Path(key), "v", {REG_SZ, "x"});
    SetValue(HKEY_CURRENT_USER, Path("List\\" + std::string(255, 'n')), "v", {REG_SZ, "x"});
    TRegIniFile registry(Path("List"));
    TStringList names;
    registry.ListSections(names);
    ASSERT_EQ(names.ItemCount(), 4);
    names.SortItems();
    EXPECT_EQ(names.ItemAt(0), "a");
    EXPECT_EQ(names.ItemAt(3), std::string(255, 'n'));
    registry.ClosePath();
    registry.ListSections(names);
    EXPECT_EQ(names.ItemCount(), 0);
}

TEST_F(RegistryTest, ASectionThatCannotBeCreatedRaisesWithThePathAsGiven) {
    MakeKey(HKEY_CURRENT_USER, Path("Volatile"), true);
    TRegIniFile registry(Path("Home"));
    const std::string absolute = "\\" + Path("Volatile\\Options");
    EXPECT_EQ(RaisedMessage([&] { registry.WriteEntry(absolute, "Entry", "x"); }),
              "Failed to create key " + absolute);
    EXPECT_EQ(registry.KeyPath(), Path("Home"));
    EXPECT_EQ(KeyHandle::LiveCount(), handlesBefore_ + 1);
}

TEST_F(RegistryTest, WritingThroughADeletedKeyRaises) {
    TRegIniFile registry(Path("Doomed"));
    RegDeleteKeyA(HKEY_CURRENT_USER, Path("Doomed").c_str());
    EXPECT_EQ(RaisedMessage([&] { registry.WriteText("Value", "x"); }), "Failed to set data for 'Value'");
    EXPECT_EQ(RaisedMessage([&] { registry.WriteEntry("", "Value", "x"); }).rfind("Failed to ", 0), 0u);
    EXPECT_EQ(registry.KeyPath(), Path("Doomed"));
}

TEST_F(RegistryTest, AValueWhoseDataCannotBeFetchedRaises) {
    SetValue(HKEY_CURRENT_USER, Path("Home\\Options"), "WinampPath", {REG_SZ, std::string("C:\\W\\WINAMP.EXE\0", 17)});
    TRegIniFile registry(Path("Home"));
    {
        const ImportSwap refused("RegQueryValueExA", reinterpret_cast<void*>(&RefuseDataQuery));
        originalQuery = refused.Original<QueryValue>();
        EXPECT_EQ(RaisedMessage([&] { registry.ReadEntry("Options", "WinampPath", ""); }),
                  "Failed to get data for 'WinampPath'");
        EXPECT_EQ(registry.ReadEntry("Options", "Missing", "default"), "default");
    }
    EXPECT_EQ(registry.ReadEntry("Options", "WinampPath", ""), "C:\\W\\WINAMP.EXE");
}

TEST_F(RegistryTest, AnObjectWhoseHomeCannotBeCreatedWorksBelowTheRoot) {
    const std::string volatileKey = "TarnquillTestsVolatile";
    const std::string rootSection = "TarnquillTestsRootSection";
    MakeKey(HKEY_CURRENT_USER, volatileKey, true);
    SetValue(HKEY_CURRENT_USER, rootSection, "Entry", {REG_SZ, std::string("from the root\0", 14)});
    {
        TRegIniFile registry(volatileKey + "\\Child");
        EXPECT_EQ(registry.OpenHandle(), nullptr);
        EXPECT_EQ(registry.HomePath(), volatileKey + "\\Child");
        EXPECT_EQ(registry.ReadEntry(rootSection, "Entry", "default"), "from the root");
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, rootSection.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, volatileKey.c_str());
}

TEST_F(RegistryTest, SubkeyTestsCreateNothing) {
    TRegIniFile registry(Path("Hotkeys"));
    EXPECT_FALSE(registry.HasSubkey("General"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, Path("Hotkeys\\General")));
    SetValue(HKEY_CURRENT_USER, Path("Hotkeys\\General"), "v", {REG_SZ, "x"});
    EXPECT_TRUE(registry.HasSubkey("General"));
    EXPECT_TRUE(registry.HasSubkey("\\" + Path("Hotkeys")));
    EXPECT_TRUE(registry.MakeSubkey("Made\\Deeper"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, Path("Hotkeys\\Made\\Deeper")));
}
}  // namespace
