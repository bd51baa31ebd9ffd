#include <gtest/gtest.h>

#include "platform/text/Text.h"

namespace {
struct PosCase {
    const char* part;
    const char* text;
    int position;
};

TEST(TextPos, FindsTheLeftmostOccurrenceOrZero) {
    const PosCase cases[] = {
        {"", "ABC", 0},       {"A", "", 0},       {"AB", "XABAB", 2},  {"ABCD", "ABC", 0},
        {"C", "ABC", 3},      {"ab", "AB", 0},    {"\xE4", "x\xE4", 2}, {"TARNQUILL", "TARNQUILL 1", 1},
        {"XY", "XXY", 2},
    };
    for (const auto& c : cases) EXPECT_EQ(TextPos(c.part, c.text), c.position) << c.part << " in " << c.text;
}

struct SubCase {
    const char* text;
    int start, count;
    const char* result;
};

TEST(SubText, ClampsStartAndCount) {
    const SubCase cases[] = {
        {"ABCDEF", 0, 3, "ABC"}, {"ABCDEF", -5, 2, "AB"}, {"A", 2, 1, ""},     {"ABC", 2, 99, "BC"},
        {"ABC", 1, -1, ""},      {"", 1, 1, ""},          {"ABC", 4, 1, ""},   {"ABC", 3, 1, "C"},
        {"/install", 2, 7, "install"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SubText(c.text, c.start, c.count), c.result) << c.text << " " << c.start << "," << c.count;
}

TEST(CutText, RemovesARunOrLeavesTheTextAlone) {
    const SubCase cases[] = {
        {"ABCDEF", 0, 1, "ABCDEF"}, {"ABCDEF", 7, 1, "ABCDEF"}, {"ABCDEF", 3, 0, "ABCDEF"},
        {"ABCDEF", 3, -2, "ABCDEF"}, {"ABCDEF", 3, 99, "AB"},   {"ABCDEF", 1, 1, "BCDEF"},
        {"ABCDEF", 6, 1, "ABCDE"},   {"", 1, 1, ""},
    };
    for (const auto& c : cases) {
        std::string text = c.text;
        CutText(text, c.start, c.count);
        EXPECT_EQ(text, c.result) << c.text << " " << c.start << "," << c.count;
    }
}

TEST(AsciiUpper, ChangesOnlyAtoZ) {
    const std::string text("az AZ 09 {\x7F\xE4\xF6\xFF", 15);
    EXPECT_EQ(AsciiUpper(text), std::string("AZ AZ 09 {\x7F\xE4\xF6\xFF", 15));
}

TEST(TextEquals, IsExactAndCaseSensitive) {
    EXPECT_TRUE(TextEquals("install", "install"));
    EXPECT_FALSE(TextEquals("install", "Install"));
    EXPECT_FALSE(TextEquals("install", "install2"));
    EXPECT_TRUE(TextEquals("", ""));
}

struct DirCase {
    const char* path;
    const char* folder;
};

TEST(DirectoryOf, DropsTheFileNameAndANonRootBackslash) {
    const DirCase cases[] = {
        {"D:\\PROGRAM FILES\\WINAMP\\WINAMP.EXE", "D:\\PROGRAM FILES\\WINAMP"},
        {"D:\\WINAMP.EXE", "D:\\"},
        {"D:WINAMP.EXE", "D:"},
        {"D:\\DIR\\", "D:\\DIR"},
        {"WINAMP.EXE", ""},
        {"", ""},
        {"\\\\SERVER\\SHARE\\WINAMP.EXE", "\\\\SERVER\\SHARE"},
        {"\\WINAMP.EXE", "\\"},
        {"D:\\\\WINAMP.EXE", "D:\\\\"},
    };
    const LeadByteSet singleByte;
    for (const auto& c : cases) EXPECT_EQ(DirectoryOf(c.path, singleByte), c.folder) << c.path;
}

TEST(DirectoryOf, PassesOverTrailBytesThatLookLikeSeparators) {
    const unsigned char ranges[] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0};
    const LeadByteSet shiftJis = LeadByteSet::FromRanges(ranges, sizeof ranges);
    // 0x95 0x5C is one double-byte character whose second byte is a backslash.
    EXPECT_EQ(DirectoryOf("C:\\A\x95\\B.EXE", shiftJis), "C:\\");
    EXPECT_EQ(DirectoryOf("C:\\A\x95\\B.EXE", LeadByteSet{}), "C:\\A\x95");
    // A trail byte before the last backslash does not keep that backslash as a root's.
    EXPECT_EQ(DirectoryOf("C:\\DIR\x95\\\\X", shiftJis), "C:\\DIR\x95\\");
    EXPECT_EQ(DirectoryOf("C:\\DIR\x95\\\\X", LeadByteSet{}), "C:\\DIR\x95\\\\");
    // A lead byte at the very end has no trail byte.
    EXPECT_EQ(DirectoryOf("C:\\DIR\\\x95", shiftJis), "C:\\DIR");
    // A folder that ends in such a trail byte still needs a separator of its own.
    EXPECT_EQ(JoinPath("C:\\DIR\x95\\", "Plugins", shiftJis), "C:\\DIR\x95\\\\Plugins");
    EXPECT_EQ(JoinPath("C:\\DIR\x95\\", "Plugins", LeadByteSet{}), "C:\\DIR\x95\\Plugins");
}

TEST(DirectoryOf, RangesEndAtAPairOfZeroBytes) {
    const unsigned char ranges[] = {0x81, 0x82, 0, 0, 0xE0, 0xE0};
    const LeadByteSet set = LeadByteSet::FromRanges(ranges, sizeof ranges);
    EXPECT_TRUE(set.lead[0x81] && set.lead[0x82]);
    EXPECT_FALSE(set.lead[0x80] || set.lead[0x83] || set.lead[0xE0]);
}

}  // namespace
