#include "app/Startup.h"

#include <windows.h>

#include <exception>
#include <new>

#include "app/Reports.h"
#include "app/Faults.h"
#include "platform/Boxes.h"
#include "platform/DllSearch.h"
#include "platform/Exception.h"
#include "platform/Native.h"
#include "platform/text/Text.h"

namespace {
LPTOP_LEVEL_EXCEPTION_FILTER previousFaultFilter;
std::terminate_handler previousTerminate;
bool failureReportInPlace = false;
EOutOfMemory* outOfMemory;
EInvalidPointer* invalidPointer;
const EXCEPTION_RECORD* overflowFault;

[[noreturn]] void ReportFault(const EXCEPTION_RECORD& fault) {
    if (!failureReportInPlace)
        ReportRunError(RunErrorOf(fault.ExceptionCode), fault.ExceptionAddress);
    else if (IsInvalidPointer(fault.ExceptionCode))
        ReportFailure(RefOf(*invalidPointer), fault.ExceptionAddress);
    else
        ReportFailure(FaultRef(fault), fault.ExceptionAddress);
    ShutDown(ReportedExitCode());
}

// A stack that overflowed has no room left for a message box: report from a fresh one.
DWORD WINAPI ReportOverflow(void*) { ReportFault(*overflowFault); }

LONG WINAPI OnFault(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD& fault = *info->ExceptionRecord;
    if (fault.ExceptionCode == EXCEPTION_STACK_OVERFLOW) {
        overflowFault = &fault;
        const HANDLE reporter = CreateThread(nullptr, 0, ReportOverflow, nullptr, 0, nullptr);
        if (reporter) WaitForSingleObject(reporter, INFINITE);
        ExitProcess(failureReportInPlace ? 1 : RunErrorOf(fault.ExceptionCode));
    }
    ReportFault(fault);
}

// A failure object that reaches the top while the failure report is not in place.
[[noreturn]] void OnTerminate() {
    const void* address = nullptr;
    unsigned runError = 217;
    try {
        if (std::current_exception()) throw;
    } catch (const Exception& failure) {
        address = failure.Address();
    } catch (const std::bad_alloc&) {
        runError = 203;  // memory exhaustion has a number of its own
    } catch (...) {
    }
    ReportRunError(runError, address);
    ShutDown(ReportedExitCode());
}

void FinaliseFailureReport() {
    if (!failureReportInPlace) return;
    failureReportInPlace = false;
    delete invalidPointer;
    delete outOfMemory;
    invalidPointer = nullptr;
    outOfMemory = nullptr;
}
}  // namespace

// The C++ runtime's own default for this handler writes a demangled type name to a console that
// a GUI program does not have. Replacing it with the last-resort report also keeps the runtime's
// demangler, a sixth of the program's size, out of the static link.
namespace __gnu_cxx {
void __verbose_terminate_handler() { OnTerminate(); }
}  // namespace __gnu_cxx

void SetUpFailureReport() {
    outOfMemory = new EOutOfMemory("Out of memory", nullptr);
    invalidPointer = new EInvalidPointer("Invalid pointer operation", nullptr);
    failureReportInPlace = true;
}

// The last resort is the first report in place, and its box, like every other, goes only where
// someone can see it.
void InstallLastResort() {
    DecideWhetherBoxesAreSeen();
    previousFaultFilter = SetUnhandledExceptionFilter(OnFault);
    previousTerminate = std::set_terminate(OnTerminate);
}

// After a stack overflow the fault handler runs on what is left of the stack, a page or so,
// unless more is kept for it: enough for the report to start the thread that shows its box.
// Looked up: older systems lack the call.
static void ReserveStackForFaultReport() {
    const auto reserve = SystemCall<BOOL(WINAPI*)(ULONG*)>("kernel32.dll", "SetThreadStackGuarantee");
    ULONG bytes = 64 * 1024;
    if (reserve) reserve(&bytes);
}

void StartUp() {
    RestrictDllSearch();
    ReserveStackForFaultReport();
    InstallLastResort();
    SetUpFailureReport();
    RecordLeadBytes();
}

void RunReported(void (*body)()) {
    try {
        body();
    } catch (const Exception& failure) {
        ReportFailure(RefOf(failure), failure.Address());
    } catch (const std::bad_alloc&) {
        ReportFailure(RefOf(*outOfMemory), outOfMemory->Address());
    } catch (const std::exception& failure) {
        ReportFailure(ForeignRefOf(failure), nullptr);
    }
}

void ShutDown(unsigned exitCode) {
    FinaliseFailureReport();
    std::set_terminate(previousTerminate);
    SetUnhandledExceptionFilter(previousFaultFilter);
    ExitProcess(exitCode);
}
