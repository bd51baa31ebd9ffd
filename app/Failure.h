#pragma once
// The one way failures reach the user: the failure box, or the last-resort box around start-up
// and shutdown. Each report shows its box and sets the exit code; whoever called it ends the
// process.
#include <exception>

#include "app/FailureFormat.h"

class Exception;

FailureRef RefOf(const Exception& failure);
// A standard-library failure: outside the Exception family, named by its type.
FailureRef ForeignRefOf(const std::exception& failure);

void ReportFailure(const FailureRef& failure, const void* address);
void ReportRunError(unsigned number, const void* address);

// 0 until a report sets it: 1 after the failure box, the run-error number after the last resort.
unsigned ReportedExitCode();
