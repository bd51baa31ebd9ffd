// The operations that follow the platform: locale, files, module names.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/FailureText.h"
#include "platform/text/FileHandle.h"
#include "platform/text/Files.h"
#include "platform/text/StringList.h"
#include "platform/text/Text.h"
#include "tests/support/Scratch.h"

namespace {
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

class FileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "tq_file_test";
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const char* name : {"\\a.dll", "\\old.dll", "\\far.dll", "\\sub"}) {
            DeleteFileA((folder_ + name).c_str());
            RemoveDirectoryA((folder_ + name).c_str());
        }
        RemoveDirectoryA(folder_.c_str());
    }
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
    std::string folder_;
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
