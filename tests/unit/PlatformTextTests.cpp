// The operations that follow the platform: locale, files, module names.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Reports.h"
#include "platform/registry/Registry.h"
#include "platform/text/FileHandle.h"
#include "platform/text/Files.h"
#include "platform/text/StringList.h"
#include "platform/text/Text.h"
#include "setup/Setup.h"
#include "setup/Texts.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/Scratch.h"

namespace {
// A platform that cannot compare at all (CompareStringA's 0), which no real text provokes.
int WINAPI FailedComparison(LCID, DWORD, LPCSTR, int, LPCSTR, int) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

// What the file operations ask of the platform: each name opened with the rights asked.
struct Opened {
    std::string name;
    DWORD access;
};
std::vector<Opened> opened;
using CreateFileCall = HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
CreateFileCall originalCreateFile = nullptr;

HANDLE WINAPI RecordOpen(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                         DWORD flags, HANDLE model) {
    opened.push_back({name, access});
    return originalCreateFile(name, access, share, security, disposition, flags, model);
}


TEST(LocaleUpper, UpperCasesTheCodePagesLettersAndKeepsTheLength) {
    EXPECT_EQ(LocaleUpper("winamp v5.x"), "WINAMP V5.X");
    EXPECT_EQ(LocaleUpper("\xE4\xF6"), "\xC4\xD6");  // the ANSI code page's umlauts
    EXPECT_EQ(LocaleUpper(std::string("a\0b", 3)), std::string("A\0B", 3));
    EXPECT_EQ(LocaleUpper(""), "");
}

TEST(LocaleCompareNoCase, IgnoresCaseAndComparesDigitsAsCharacters) {
    EXPECT_EQ(LocaleCompareNoCase("Tarnquill 1.0", "TARNQUILL 1.0"), 0);
    EXPECT_LT(LocaleCompareNoCase("Tarnquill 10", "Tarnquill 2"), 0);
    EXPECT_GT(LocaleCompareNoCase("Tarnquill 9", "Tarnquill 10"), 0);
    EXPECT_LT(LocaleCompareNoCase("", "a"), 0);
    EXPECT_EQ(LocaleCompareNoCase("", ""), 0);
}

// Texts that cannot be compared read alike, and the pruning keeps every entry it could not compare.
TEST(LocaleCompareNoCase, AFailedComparisonReadsAlikeAndKeepsTheEntries) {
    const std::string list = std::string(UninstallListKey) + "\\";
    for (const char* entry : {"Tarnquill 1.0", "Tarnquill 2.0"}) MakeKey(HKEY_LOCAL_MACHINE, list + entry);
    {
        const ImportSwap failing("CompareStringA", reinterpret_cast<void*>(&FailedComparison));
        EXPECT_EQ(LocaleCompareNoCase("Tarnquill 1.0", "Tarnquill 2.0"), 0);
        TRegIniFile registry("Software\\TarnquillTests\\Prune");
        PruneUninstallEntries(registry);
    }
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, list + "Tarnquill 1.0"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, list + "Tarnquill 2.0"));
    for (const char* entry : {"Tarnquill 1.0", "Tarnquill 2.0"}) RegDeleteKeyA(HKEY_LOCAL_MACHINE, (list + entry).c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TarnquillTests\\Prune");
}

// The documented rule, which Wine does not enforce: UTF-8 and GB18030 take only
// WC_ERR_INVALID_CHARS, the stateful and symbol code pages no flag, every other one no-best-fit.
TEST(AnsiTextOf, ChoosesTheFlagsThatTheCodePageTakes) {
    const struct {
        unsigned codePage;
        unsigned long flags;
    } cases[] = {
        {1252, WC_NO_BEST_FIT_CHARS}, {932, WC_NO_BEST_FIT_CHARS},   {936, WC_NO_BEST_FIT_CHARS},
        {41, WC_NO_BEST_FIT_CHARS},   {42, 0},                       {43, WC_NO_BEST_FIT_CHARS},
        {50219, WC_NO_BEST_FIT_CHARS}, {50220, 0},                   {50225, 0},
        {50229, 0},                   {50230, WC_NO_BEST_FIT_CHARS}, {57001, WC_NO_BEST_FIT_CHARS},
        {57002, 0},                   {57011, 0},                    {57012, WC_NO_BEST_FIT_CHARS},
        {54936, WC_ERR_INVALID_CHARS}, {65000, 0},                   {65001, WC_ERR_INVALID_CHARS},
        {65002, WC_NO_BEST_FIT_CHARS},
    };
    for (const auto& c : cases) EXPECT_EQ(ConversionFlagsFor(c.codePage), c.flags) << c.codePage;
}

TEST(AnsiTextOf, KeepsEveryCharacterCountedAndNeverTurnsAFailureIntoAName) {
    const struct {
        unsigned codePage;
        std::wstring text;
        std::optional<std::string> ansi;
    } cases[] = {
        {1252, L"Tarnquill 2.0", "Tarnquill 2.0"},
        {1252, L"", ""},
        {1252, std::wstring(L"Tarnquill 2.0\0old", 17), std::string("Tarnquill 2.0\0old", 17)},
        {1252, L"\u00E4pfel", "\xE4pfel"},
        {1252, L"Tarnquill 9 \u03B1", "Tarnquill 9 ?"},  // no look-alike, the default character
        {1252, L"\uFF3CSOFTWARE", "?SOFTWARE"},         // a full-width backslash stays no backslash
        {65001, L"Tarnquill 9 \u03B1", "Tarnquill 9 \xCE\xB1"},
        {65001, L"Tarnquill \xD800", std::nullopt},      // a lone surrogate has no UTF-8 form
        {65001, L"\xDC00 Tarnquill", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(AnsiTextOf(c.text, c.codePage), c.ansi) << c.codePage;
}

// Leftovers of earlier replacements are known by their name alone: only what a replacement names
// its new file, as the process id and attempt number are written, counts.
TEST(IsNewFileName, TakesTheNamesOfNewFilesAndNoOthers) {
    const struct {
        const char* name;
        bool ours;
    } cases[] = {
        {"gen_zorv.dll.1234-0.tmp", true},      {"gen_zorv.dll.4294967295-99.tmp", true},
        {"gen_zorv.dll.0-0.tmp", true},         {"gen_zorv.dll.1234-0.tmp.bak", false},
        {"gen_zorv.dll.1234-100.tmp", false},   {"gen_zorv.dll.12345678901-0.tmp", false},
        {"gen_zorv.dll.01234-0.tmp", false},    {"gen_zorv.dll.1234-00.tmp", false},
        {"gen_zorv.dll.1234-0.TMP", false},     {"GEN_ZORV.DLL.1234-0.tmp", false},
        {"gen_zorv.dll.1234.tmp", false},       {"gen_zorv.dll.-0.tmp", false},
        {"gen_zorv.dll.1234-.tmp", false},      {"gen_zorv.dll.12a4-0.tmp", false},
        {"gen_wibt.dll.1234-0.tmp", false},     {"gen_zorv.dll", false},
        {"xgen_zorv.dll.1234-0.tmp", false},    {"gen_zorv.dll.1234-0", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsNewFileName(c.name, "gen_zorv.dll"), c.ours) << c.name;
}

class FileTest : public ::testing::Test {
protected:
    std::string MakeFile(const char* name, WORD year = 0) {
        const std::string path = folder_ + name;
        const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (year != 0) {
            SYSTEMTIME when{};
            when.wYear = year;
            when.wMonth = 6;
            when.wDay = 15;
            FILETIME time;
            SystemTimeToFileTime(&when, &time);
            SetFileTime(file, nullptr, nullptr, &time);
        }
        CloseHandle(file);
        return path;
    }
    const ScratchFolder scratch_{"file_test"};
    const std::string folder_ = scratch_.Path();
};

TEST_F(FileTest, FilePresentOnlyForFilesWithAConvertibleTime) {
    EXPECT_TRUE(FilePresent(MakeFile("\\a.dll")));
    EXPECT_FALSE(FilePresent(MakeFile("\\old.dll", 1975)));
    EXPECT_FALSE(FilePresent(MakeFile("\\far.dll", 2150)));
    CreateDirectoryA((folder_ + "\\sub").c_str(), nullptr);
    EXPECT_FALSE(FilePresent(folder_ + "\\sub"));
    EXPECT_FALSE(FilePresent(folder_ + "\\missing.dll"));
    EXPECT_TRUE(FilePresent(folder_ + "\\?.dll"));  // a pattern: the first entry found decides
}

TEST_F(FileTest, RemoveFileReportsWhatThePlatformDid) {
    const std::string path = MakeFile("\\a.dll");
    const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(RemoveFile(path));
    EXPECT_FALSE(PathAbsent(path));
    CloseHandle(held);
    EXPECT_TRUE(RemoveFile(path));
    EXPECT_FALSE(RemoveFile(path));
    EXPECT_TRUE(PathAbsent(path));
    EXPECT_TRUE(PathAbsent(folder_ + "\\no folder\\a.dll"));
    CreateDirectoryA((folder_ + "\\sub").c_str(), nullptr);
    EXPECT_FALSE(RemoveFile(folder_ + "\\sub"));
    EXPECT_FALSE(PathAbsent(folder_ + "\\sub"));
    // A read-only file that cannot go (mapped as a program's code) keeps its attribute.
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileA(self, path.c_str(), FALSE));
    SetProtection(path, FILE_ATTRIBUTE_READONLY);
    const HMODULE image = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(RemoveFile(path));
    EXPECT_EQ(ProtectionOf(path), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    FreeLibrary(image);
    EXPECT_TRUE(RemoveFile(path));
    EXPECT_EQ(FileHandle::LiveCount(), 0);
}

// Windows checks a file's access list against the rights asked for: an access list may grant
// deletion and not attribute changes, so these are asked only where read-only must go (Wine checks
// no access list: the rule is read from the opens themselves). A step that fails leaves the file
// exactly as it was, and nothing beside it.
TEST_F(FileTest, EachStepAsksOnlyForTheRightsItNeedsAndAFailedOneChangesNothing) {
    constexpr DWORD ReadOnly = FILE_ATTRIBUTE_READONLY, HiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const struct {
        const char* step;
        bool replace;
        DWORD protection;
        DWORD heldFor;  // another program's open of the file, sharing everything; 0: none
        bool done;
        DWORD rightsAsked;  // over every open of the name
    } cases[] = {
        {"deleting a plain file", false, 0, 0, true, DELETE},
        {"deleting a hidden system file", false, HiddenSystem, 0, true, DELETE},
        {"deleting a read-only file", false, ReadOnly, 0, true, DELETE | FILE_WRITE_ATTRIBUTES},
        {"replacing a plain file", true, 0, 0, true, 0},
        {"replacing a hidden system file", true, HiddenSystem, 0, true, 0},
        {"replacing a read-only file", true, ReadOnly, 0, true, FILE_WRITE_ATTRIBUTES},
        {"replacing a read-only file held as a loaded plug-in", true, ReadOnly, GENERIC_READ, false,
         FILE_WRITE_ATTRIBUTES},
        {"replacing a read-only file held for its attributes only", true, ReadOnly, FILE_READ_ATTRIBUTES, false,
         FILE_WRITE_ATTRIBUTES},
    };
    const std::string source = MakeFile("\\old.dll");
    WriteFileText(source, "new plug-in");
    for (const auto& c : cases) {
        const std::string path = MakeFile("\\a.dll");
        WriteFileText(path, "old plug-in");
        SetProtection(path, c.protection);
        opened.clear();
        {
            const FileHandle held(c.heldFor ? CreateFileA(path.c_str(), c.heldFor, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                                          FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr)
                                            : INVALID_HANDLE_VALUE);
            const ImportSwap recorded("CreateFileA", reinterpret_cast<void*>(&RecordOpen));
            originalCreateFile = recorded.Original<CreateFileCall>();
            EXPECT_EQ(c.replace ? ReplaceWithCopy(source, path) : RemoveFile(path), c.done) << c.step;
        }
        DWORD asked = 0;
        for (const Opened& open : opened)
            if (open.name == path) asked |= open.access & ~FILE_READ_ATTRIBUTES;
        EXPECT_EQ(asked, c.rightsAsked) << c.step;
        const bool gone = c.done && !c.replace;
        EXPECT_EQ(ReadFileText(path), gone ? std::nullopt : std::optional<std::string>(c.done ? "new plug-in" : "old plug-in"))
            << c.step;
        EXPECT_EQ(ProtectionOf(path), gone ? INVALID_FILE_ATTRIBUTES : c.done ? 0u : c.protection) << c.step;
        EXPECT_EQ(FolderEntries(folder_).size(), gone ? 1u : 2u) << c.step;
        if (!gone) SetProtection(path, 0);
    }
}

// The new file is marked for deletion while it is written: a run stopped while it
// copies leaves nothing beside the target, which stays as it was.
TEST_F(FileTest, ARunStoppedWhileCopyingLeavesNothingBehind) {
    WriteFileText(MakeFile("\\old.dll"), "new plug-in");
    WriteFileText(MakeFile("\\a.dll"), "old plug-in");
    const FileHandle copying(CreateEventA(nullptr, TRUE, FALSE, "TarnquillTestsCopying"));
    std::string commandLine = "\"" + TQ_BUILT(TQ_FAULT_PROBE_FILE) + "\" stop-while-copying";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                               &startup, &process));
    const FileHandle thread(process.hThread), probe(process.hProcess);
    ASSERT_EQ(WaitForSingleObject(copying.Get(), 30000), WAIT_OBJECT_0) << "the probe never began to write its copy";
    EXPECT_EQ(FolderEntries(folder_).size(), 3u);  // the new file, while the copy runs
    TerminateProcess(probe.Get(), 1);
    ASSERT_EQ(WaitForSingleObject(probe.Get(), 10000), WAIT_OBJECT_0) << "the stopped probe did not end";
    EXPECT_TRUE(WaitUntil([&] { return FolderEntries(folder_).size() == 2; }, 5000));
    EXPECT_EQ(FolderEntries(folder_), (std::vector<std::string>{"a.dll", "old.dll"}));
    EXPECT_EQ(ReadFileText(folder_ + "\\a.dll"), "old plug-in");
}

TEST(FailureText, NamesTheModuleThatHoldsTheAddress) {
    char text[1024];
    const FailureRef failure{"EOutOfMemory", true, "Out of memory"};

    const auto inUser32 = reinterpret_cast<const void*>(&MessageBoxA);
    FailureText(failure, inUser32, text, sizeof text);
    const HMODULE user32 = GetModuleHandleA("user32.dll");
    char path[MAX_PATH];
    const std::string name = std::string(path, GetModuleFileNameA(user32, path, MAX_PATH));
    const uintptr_t offset =
        reinterpret_cast<uintptr_t>(inUser32) - reinterpret_cast<uintptr_t>(user32);
    EXPECT_STREQ(text, ("Exception EOutOfMemory in module " + name.substr(name.rfind('\\') + 1) +
                        " at " + std::string(std::string_view(HexText(offset))) + ".\nOut of memory.").c_str());

    FailureText(failure, nullptr, text, sizeof text);
    EXPECT_STREQ(text, "Exception EOutOfMemory in module unit_tests.exe at 00000000.\nOut of memory.");

    EXPECT_EQ(FailureText(failure, nullptr, text, 10), 9u);
    EXPECT_STREQ(text, "Exception");
}
}  // namespace
