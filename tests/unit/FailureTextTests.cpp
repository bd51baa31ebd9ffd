#include <string>

#include <gtest/gtest.h>

#include "app/FailureFormat.h"
#include "platform/Exception.h"

namespace {
constexpr char Template[] = "Exception %s in module %s at %p.\n%s%s";

struct StopCase {
    const char* message;
    const char* secondLine;
};

TEST(FailureText, AddsAFullStopUnlessTheMessageEndsInOne) {
    const StopCase cases[] = {
        {"Failed to create key Options", "Failed to create key Options."},
        {"Already ends.", "Already ends."},
        {"Shout!", "Shout!."},
        {"(paren)", "(paren)."},
        {"", ""},
    };
    for (const auto& c : cases) {
        const FailureView failure{"ERegistryException", true, c.message};
        EXPECT_EQ(FormatFailureText(Template, failure, "TarnquillSetup.exe", 0x1A2B, 1024),
                  std::string("Exception ERegistryException in module TarnquillSetup.exe at 00001A2B.\n") +
                      c.secondLine);
    }
}

TEST(FailureText, OutsideTheExceptionFamilyThereIsNoMessage) {
    const FailureView failure{"std::length_error", false, "basic_string::_M_create"};
    EXPECT_EQ(FormatFailureText(Template, failure, "a.exe", 0, 1024),
              "Exception std::length_error in module a.exe at 00000000.\n");
}

TEST(FailureText, IsCutToTheCapacity) {
    const FailureView failure{"E", true, std::string(5000, 'm')};
    const std::string full = FormatFailureText(Template, failure, "a.exe", 1, 100000);
    EXPECT_EQ(full.size(), 41u + 5000 + 1);
    for (size_t capacity : {size_t{1}, size_t{2}, size_t{30}, size_t{1024}}) {
        const std::string cut = FormatFailureText(Template, failure, "a.exe", 1, capacity);
        EXPECT_EQ(cut, full.substr(0, capacity - 1));
    }
    EXPECT_EQ(FormatFailureText(Template, failure, "a.exe", 1, 0), "");
}

TEST(FailureText, TemplatesAreFilledInOrderAndPercentSignsSurvive) {
    const FailureView failure{"EX", true, "50% done"};
    EXPECT_EQ(FormatFailureText("%s|%s|%p|%s|%s|%s|%d|100%%|%", failure, "m", 0xFF, 99),
              "EX|m|000000FF|50% done|.||%d|100%|%");
}

TEST(FailureText, AddressesAndRunErrors) {
    EXPECT_EQ(HexAddress(0), "00000000");
    EXPECT_EQ(HexAddress(0xDEADBEEF), "DEADBEEF");
    EXPECT_EQ(RunErrorText(216, 0x1234), "Runtime error 216 at 00001234");
    EXPECT_EQ(RunErrorText(1, 0), "Runtime error   1 at 00000000");
    EXPECT_EQ(RunErrorText(1000, 0), "Runtime error 1000 at 00000000");
}

}  // namespace
