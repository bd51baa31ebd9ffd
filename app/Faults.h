#pragma once
// Processor and system faults as failures.
#include <windows.h>

#include "app/Failure.h"

FailureView FaultView(const EXCEPTION_RECORD& fault);
unsigned RunErrorOf(DWORD faultCode);
