// Broken preconditions of the driver are programming errors of its caller:
// the process stops, naming the condition and where it was checked.
#pragma once

#define QRN55_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : QRN55AssertFailed(#condition, __FILE__, __LINE__))

// Prints "Assertion failed: <condition>, file <path>, line <n>" to stderr,
// the path starting at "Common/QRN55/Driver/", and aborts.
[[noreturn]] void QRN55AssertFailed(const char* condition, const char* file, int line);
