#pragma once
// The one way failures reach the user: the failure box, or the last-resort box around start-up
// and shutdown. Each report shows its box and sets the exit code; whoever called it ends the
// process.
#include <exception>

#include "app/ReportTexts.h"

class Exception;

FailureRef RefOf(const Exception& failure);
// A standard-library failure: outside the Exception family, named by its type.
FailureRef ForeignRefOf(const std::exception& failure);

// The failure box's text, with the module that holds the failure's address, into buffer
// (capacity bytes, terminator included), on fixed buffers: the report may run with no memory
// left. Returns its length.
size_t FailureText(const FailureRef& failure, const void* address, char* buffer, size_t capacity);
void ReportFailure(const FailureRef& failure, const void* address);
void ReportRunError(unsigned number, const void* address);

// A plug-in step that was not done. Where a user saw the boxes, the error box told that user and
// the run ends as usual; where nobody did, the exit code is the caller's only word: 2.
void ReportPluginStepNotDone();

// 0 until a report sets it: 1 after the failure box, the run-error number after the last resort,
// 2 after a plug-in step that nobody was told of.
unsigned ReportedExitCode();
