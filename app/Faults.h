#pragma once
// Processor and system faults as failures.
#include <windows.h>

#include "app/ReportTexts.h"

// The fault's class and message; the message lives in a fixed buffer until the next call.
FailureRef FaultRef(const EXCEPTION_RECORD& fault);
unsigned RunErrorOf(DWORD faultCode);
// Heap corruption: reported as releasing memory that is not held.
bool IsInvalidPointer(DWORD faultCode);
