// The failure texts as the reports build them: into fixed buffers of the capacities they pass.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/ReportTexts.h"

namespace {
constexpr char Template[] = "Exception %s in module %s at %p.\n%s%s";

// Nothing past the capacity is written, and the text ends in a 0 within it.
std::string Formatted(size_t capacity, const std::function<size_t(char*, size_t)>& format) {
    std::vector<char> buffer(capacity + 1, '#');
    const size_t length = format(buffer.data(), capacity);
    EXPECT_EQ(buffer[capacity], '#') << "written past the capacity of " << capacity;
    EXPECT_TRUE(capacity == 0 || buffer[length] == '\0') << "no terminator at " << length;
    return std::string(buffer.data(), length);
}

std::string BoxText(const FailureRef& failure, size_t capacity = FailureTextCapacity, const char* form = Template) {
    return Formatted(capacity, [&](char* buffer, size_t room) {
        return FormatFailureText(form, failure, "a.exe", 0x1A2B, buffer, room);
    });
}

TEST(FailureText, FillsTheTemplateWithTheFullStopRule) {
    const struct {
        FailureRef failure;
        const char* form;
        const char* text;
    } cases[] = {
        {{"ERegistryException", true, "Failed"}, Template, "Exception ERegistryException in module a.exe at 00001A2B.\nFailed."},
        {{"E", true, "Already ends."}, Template, "Exception E in module a.exe at 00001A2B.\nAlready ends."},
        {{"E", true, "Shout!"}, Template, "Exception E in module a.exe at 00001A2B.\nShout!."},
        {{"E", true, "(paren)"}, Template, "Exception E in module a.exe at 00001A2B.\n(paren)."},
        {{"E", true, ""}, Template, "Exception E in module a.exe at 00001A2B.\n"},
        {{"std::length_error", false, "basic_string"}, Template, "Exception std::length_error in module a.exe at 00001A2B.\n"},
        {{"EX", true, "50% done"}, "%s|%s|%p|%s|%s|%s|%d|100%%|%", "EX|a.exe|00001A2B|50% done|.||%d|100%|%"},
    };
    for (const auto& c : cases) EXPECT_EQ(BoxText(c.failure, FailureTextCapacity, c.form), c.text);
}

TEST(FailureText, IsCutAt1023CharactersAndToAnySmallerCapacity) {
    const std::string message(5000, 'm');
    const std::string whole = BoxText({"E", true, message}, 10000);
    ASSERT_EQ(whole.size(), 41u + 5000 + 1);
    for (size_t capacity : {FailureTextCapacity, size_t{0}, size_t{1}, size_t{2}, size_t{30}})
        EXPECT_EQ(BoxText({"E", true, message}, capacity), whole.substr(0, capacity ? capacity - 1 : 0)) << capacity;
}

TEST(FailureText, RunErrorsAndJoinedTexts) {
    const auto runError = [](unsigned number, uintptr_t address, size_t capacity = RunErrorTextCapacity) {
        return Formatted(capacity, [&](char* buffer, size_t room) { return FormatRunErrorText(number, address, buffer, room); });
    };
    EXPECT_EQ(runError(216, 0x1234), "Runtime error 216 at 00001234");
    EXPECT_EQ(runError(1, 0), "Runtime error   1 at 00000000");
    EXPECT_EQ(runError(1000, 0xDEADBEEF), "Runtime error 1000 at DEADBEEF");
    EXPECT_EQ(runError(216, 0x1234, 10), "Runtime e");
    for (size_t capacity : {size_t{64}, size_t{4}})
        EXPECT_EQ(Formatted(capacity, [](char* buffer, size_t room) { return JoinText({"ab", "", "cd"}, buffer, room); }),
                  std::string("abcd").substr(0, capacity - 1));
}
}  // namespace
