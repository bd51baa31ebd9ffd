// Linked into every test program: before any test, the program proves that it runs in the target
// it is told (TQ_TARGET), so that a prefix or a machine that drifted to another kind fails loudly
// instead of testing the wrong thing. The kind goes to the reliability logs for the summaries.
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/Scratch.h"

namespace {
const std::map<std::string, std::string> Kinds = {{"win64", "64-bit Windows, 64-bit process"},
                                                  {"win32", "32-bit Windows, 32-bit process"},
                                                  {"wow64", "64-bit Windows, 32-bit process under WOW64"}};

std::string KindOfThisProcess() {
    BOOL wow64 = FALSE;
    if (sizeof(void*) == 8) return Kinds.at("win64");
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? Kinds.at("wow64") : Kinds.at("win32");
}

class TargetProof : public ::testing::Environment {
    void SetUp() override {
        const std::string kind = KindOfThisProcess();
        std::printf("target %s: %s\n", TargetName().c_str(), kind.c_str());
        if (!std::getenv("TQ_TARGET")) return;
        const auto named = Kinds.find(TargetName());
        ASSERT_NE(named, Kinds.end()) << "TQ_TARGET names none of win64, win32, wow64: " << TargetName();
        ASSERT_EQ(kind, named->second) << "the target " << TargetName() << " is not what it names";
        RecordReliability("kind", kind, true);
    }
};

[[maybe_unused]] ::testing::Environment* const proof = ::testing::AddGlobalTestEnvironment(new TargetProof);
}  // namespace
