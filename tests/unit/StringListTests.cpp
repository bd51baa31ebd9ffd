#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Exception.h"
#include "platform/text/StringList.h"
#include "platform/text/Text.h"

namespace {
std::vector<std::string> Items(const TStringList& list) {
    std::vector<std::string> items;
    for (int i = 0; i < list.ItemCount(); ++i) items.push_back(list.ItemAt(i));
    return items;
}

TStringList ListOf(const std::vector<std::string>& items, TextCompare compare) {
    TStringList list(compare);
    for (const auto& item : items) list.Append(item);
    return list;
}

int ByteCompare(const std::string& a, const std::string& b) { return a.compare(b) < 0 ? -1 : a == b ? 0 : 1; }

int AsciiCaseless(const std::string& a, const std::string& b) { return ByteCompare(AsciiUpper(a), AsciiUpper(b)); }


TEST(StringList, AppendKeepsOrderAndDuplicatesAndGrowsByTheRule) {
    TStringList list(ByteCompare);
    const std::pair<int, int> capacityAfter[] = {{1, 4}, {4, 4}, {5, 8}, {9, 12}, {13, 28},
                                                 {65, 76}, {77, 95}};
    int appended = 0;
    for (const auto& [count, capacity] : capacityAfter) {
        while (appended < count) EXPECT_EQ(list.Append("same"), appended++);
        EXPECT_EQ(list.Capacity(), capacity) << "after " << count << " items";
    }
    EXPECT_EQ(list.ItemCount(), 77);
    EXPECT_EQ(list.ItemAt(76), "same");
}

TEST(StringList, RemoveAtMovesLaterItemsDownAndKeepsCapacity) {
    TStringList list = ListOf({"a", "b", "c", "d", "e"}, ByteCompare);
    list.RemoveAt(4);
    list.RemoveAt(1);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "c", "d"}));
    EXPECT_EQ(list.Capacity(), 8);
    list.RemoveAll();
    EXPECT_EQ(list.ItemCount(), 0);
    EXPECT_EQ(list.Capacity(), 0);
}

TEST(StringList, BadIndexRaisesAndLeavesTheListAlone) {
    TStringList list = ListOf({"a", "b"}, ByteCompare);
    for (int index : {-1, 2, 1000}) {
        try {
            list.RemoveAt(index);
            FAIL() << "no failure for " << index;
        } catch (const EStringListError& failure) {
            EXPECT_EQ(failure.Message(), "List index out of bounds (" + std::to_string(index) + ")");
            EXPECT_STREQ(failure.ClassName(), "EStringListError");
            EXPECT_NE(failure.Address(), nullptr);
        }
        EXPECT_THROW(list.ItemAt(index), EStringListError);
    }
    EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "b"}));
}

TEST(StringList, NotificationsSurroundEachChangeButNotANoOp) {
    TStringList list(ByteCompare);
    std::string log;
    list.OnChanging = [&] { log += '<'; };
    list.OnChange = [&] { log += '>'; };
    list.RemoveAll();
    list.SortItems();
    EXPECT_EQ(log, "");
    list.Append("b");
    list.Append("a");
    list.SortItems();
    list.RemoveAt(0);
    list.RemoveAll();
    EXPECT_EQ(log, "<><><><><>");
}

TEST(StringList, SortExchangesTwoEqualItems) {
    TStringList list = ListOf({"ABC", "abc"}, AsciiCaseless);
    list.SortItems();
    EXPECT_EQ(Items(list), (std::vector<std::string>{"abc", "ABC"}));
}

TEST(StringList, SortMatchesAReferenceSortOnManyShapes) {
    std::vector<std::vector<std::string>> shapes;
    for (int n : {2, 3, 7, 64, 500}) {
        std::vector<std::string> ascending, descending, repeated, mixed;
        for (int i = 0; i < n; ++i) {
            ascending.push_back(std::to_string(1000 + i));
            descending.push_back(std::to_string(1000 + n - i));
            repeated.push_back(std::to_string(i % 3));
            mixed.push_back(std::to_string((i * 7919) % 101));
        }
        shapes.insert(shapes.end(), {ascending, descending, repeated, mixed});
    }
    for (const auto& shape : shapes) {
        TStringList list = ListOf(shape, ByteCompare);
        list.SortItems();
        std::vector<std::string> expected = shape;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Items(list), expected);
    }
}

// The pruning relies on each name's exact form travelling with its text.
TEST(StringList, ObjectsTravelWithTheirTextsThroughSortAndRemoval) {
    struct Tag : TObject {
        explicit Tag(std::string t) : text(std::move(t)) {}
        std::string text;
    };
    TStringList list(ByteCompare);
    for (const std::string text : {"m", "c", "x", "a", "q"}) list.AppendWithObject(text, std::make_shared<Tag>(text));
    list.Append("plain");
    list.SortItems();
    list.RemoveAt(1);
    for (int i = 0; i < list.ItemCount(); ++i) {
        const auto tag = std::dynamic_pointer_cast<const Tag>(list.ObjectAt(i));
        EXPECT_EQ(tag ? tag->text : "plain", list.ItemAt(i));
    }
    EXPECT_EQ(Items(list), (std::vector<std::string>{"a", "m", "plain", "q", "x"}));
}

TEST(StringList, SortEndsAndStaysInsideTheListForAnInconsistentComparison) {
    const TextCompare inconsistent[] = {
        [](const std::string&, const std::string&) { return -2; },
        [](const std::string&, const std::string&) { return 1; },
        [](const std::string& a, const std::string& b) { return a.size() % 2 ? -1 : b.size() % 2 ? 1 : -1; },
    };
    for (TextCompare compare : inconsistent) {
        TStringList list = ListOf({"a", "bb", "c", "dd", "e", "ff", "g"}, compare);
        list.SortItems();
        std::vector<std::string> items = Items(list);
        std::sort(items.begin(), items.end());
        EXPECT_EQ(items, (std::vector<std::string>{"a", "bb", "c", "dd", "e", "ff", "g"}));
    }
}
}  // namespace
