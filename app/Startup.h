#pragma once
// Start-up and shutdown around the program's one run, and the handlers of failures that nothing
// else handles.

// Installs the last resort, then initialises the modules and puts the failure report in place.
void StartUp();
// The two halves of StartUp: from the first on, unhandled failures end in the run-error box;
// from the second on, in the failure box.
void InstallLastResort();
void SetUpFailureReport();
// Runs body; a failure that leaves it is reported in the failure box (exit code 1) and the run
// returns at once: nothing after the failure runs.
void RunReported(void (*body)());
// Finalises in reverse order and ends the process.
[[noreturn]] void ShutDown(unsigned exitCode);
