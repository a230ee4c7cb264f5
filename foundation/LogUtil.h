#pragma once

// The log file "QV_Log.txt": time-stamped lines, written only after OpenLog
// (nothing in the program opens it by default, so every write is then a
// no-op). Main thread only.

#include <cstdint>
#include <span>

#include "foundation/IOBytes.h"

namespace LogUtil {

// The log; its open flag tells whether the log is open.
extern IOBytes::FileHandle LogHandle;

// Marks the log not open.
void InitModule();

// Creates (or cuts to length 0) "QV_Log.txt" in the current directory and
// opens it. TRUE whatever the open gave.
bool OpenLog();

// Close the log when it is open; TRUE when it is closed or was not open.
bool CloseLog();
bool Shutdown();

// One line: the date and time with milliseconds, " - " and the text (at most
// 255 characters), forced to disk.
void WriteToLog(std::span<const char> text);
// label, ": " and the text / the integer in width 8 / the real in width 20
// with 10 decimals.
void WriteToLogString(std::span<const char> label, std::span<const char> text);
void WriteToLogInt(std::span<const char> label, std::int32_t value);
void WriteToLogFixed(std::span<const char> label, double value);

}  // namespace LogUtil
