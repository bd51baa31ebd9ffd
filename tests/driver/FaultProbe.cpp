// A program built on the real start-up, failure report and shutdown, whose only work is to fail
// in the way its argument names, so that every kind of failure can be seen as its user would.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "app/CommandLine.h"
#include "app/Reports.h"
#include "app/Startup.h"
#include "platform/Exception.h"
#include "platform/text/Files.h"
#include "setup/Setup.h"
#include "tests/support/ImportSwap.h"

namespace {
// Allocations left before every further one fails; negative: no limit.
long allocationsLeft = -1;
}  // namespace

// Memory runs out for real: from a chosen moment on, every allocation fails.
void* operator new(size_t size) {
    if (allocationsLeft == 0) throw std::bad_alloc();
    if (allocationsLeft > 0) --allocationsLeft;
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }

namespace {
volatile int zero = 0;
int* volatile nowhere = nullptr;

#pragma GCC diagnostic ignored "-Winfinite-recursion"
int Recurse(int depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    return Recurse(depth + 1) + frame[0];
}

// The copy's first write never ends: the test that started it stops the run there.
BOOL WINAPI StallWrite(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) {
    if (const HANDLE copying = OpenEventA(EVENT_MODIFY_STATE, FALSE, "TarnquillTestsCopying")) SetEvent(copying);
    Sleep(INFINITE);
    return FALSE;
}

// Runs code that lies in no module and reads address 0 there.
void ReadOutsideAnyModule() {
#ifdef _WIN64
    const unsigned char code[] = {0x48, 0x8B, 0x04, 0x25, 0, 0, 0, 0, 0xC3};  // mov rax, [0]; ret
#else
    const unsigned char code[] = {0xA1, 0, 0, 0, 0, 0xC3};  // mov eax, [0]; ret
#endif
    void* memory = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    std::memcpy(memory, code, sizeof code);
    reinterpret_cast<void (*)()>(memory)();
}

void Fail() {
    const std::string how = CommandLineArgument(1);
    if (how == "raise") Raise<ERegistryException>("Failed to create key Options");
    if (how == "raise-stop") Raise<ERegistryException>("Ends in a stop.");
    if (how == "raise-empty") Raise<EStringListError>("");
    if (how == "raise-long") Raise<ERegistryException>(std::string(3000, 'L'));
    if (how == "out-of-memory") throw std::bad_alloc();
    if (how == "too-long") std::string().resize(std::string().max_size() + 1);
    if (how == "write") *nowhere = 1;
    if (how == "read") zero = *(nowhere + 4);
    if (how == "divide") zero = 7 / zero;
    if (how == "outside") ReadOutsideAnyModule();
    if (how == "overflow") zero = Recurse(0);
    if (how == "starve-install") {
        allocationsLeft = std::atol(CommandLineArgument(2).c_str());
        RunInstall();
    }
    if (how == "stop-while-copying") {
        const ImportSwap stall("WriteFile", reinterpret_cast<void*>(&StallWrite));
        ReplaceWithCopy("old.dll", "a.dll");
    }
    if (how == "starve-write") {
        allocationsLeft = 0;
        *nowhere = 1;
    }
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string stage = CommandLineArgument(2);
    if (stage == "early") {
        InstallLastResort();
        Fail();
        ShutDown(0);
    }
    StartUp();
    RunReported(Fail);
    ShutDown(ReportedExitCode());
}
