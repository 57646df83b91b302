// Between the part of the file system layer every platform shares
// (osfs.cpp) and each platform's own file.  Not for the rest of the code.
#pragma once
#include <cstdint>

#include "core/osfs.h"

// Shared: true when the failure the tests armed with FaultAfter happens
// now; the platform's SetFaultError has then made the last error an I/O
// error.  Every changing file operation asks first.
bool FaultNow();
// Platform: makes the last error an I/O error, as a broken disk's.
void SetFaultError();

// Shared: how far the tests' clock has been moved (FakeClock), and SleepMs's
// first step: true when the test clock took the sleep instead.
int64_t FakeClockShiftMs();
bool FakeClockSleep(int ms);

// Platform: closes a file that was only read, without the fault hook.
void CloseUnchecked(TFileHandle fd);
