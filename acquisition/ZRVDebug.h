// The acquisition debug log: a time-stamped text file of the AD/DA traffic
// for diagnosis in the field. The board layer writes lines from its FIFO
// availability query, FIFO read and FIFO write; the timer task writes its
// start, stop, pump, read and append steps. Two feature switches rule it:
// "ZRVDebug.On" enables the log, "ADTaskDebug.On" its lines. For the QRN 5+5
// the interface driver keeps its own HTML log under the name made here.
//
// A line is a title, " ", the time of day with milliseconds, two blanks and
// the caller's values (DebugTitleAndTime builds the front part).
//
// Threads: the timer task writes, pauses and resumes lines on its own thread;
// everything else runs on the main thread. DebugStatus is atomic, and the
// file is written and closed under the module's lock.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "acquisition/ZRVBase.h"

namespace ZRVDebug {

// DebugStatus values.
inline constexpr std::uint8_t StatusOff = 0;
inline constexpr std::uint8_t StatusFailed = 1;   // no more writing
inline constexpr std::uint8_t StatusEnabled = 2;  // switched on, file not open
inline constexpr std::uint8_t StatusWriting = 3;  // file open, lines written
inline constexpr std::uint8_t StatusPaused = 4;   // file open, lines paused

// Status off, no name, DebugOn FALSE, no file open.
void InitModule();

// Called by the board layer with the board type it initialises. Closes the
// previous log and tells the timer task to write no lines; when
// "ZRVDebug.On" exists the log is enabled (DebugOn TRUE). An enabled log
// gets a new file name: a board prefix ("ZRV24_", "ZRV28_", "ZRV2400_",
// "QRN55_", else "ZRV??_"), the date and time as 2026-12-07_22-13-12, "_2",
// "_3" ... when a file of that name exists already, and ".html" for the
// QRN 5+5, else ".txt", as a full path in DebugFile. The QRN 5+5 then only
// arms the interface's own logging. Any other board has the file created
// (or replaced) now: status paused, or writing with "ADTaskDebug.On", which
// also turns the timer task's lines on. A file that cannot be named or
// created gives status failed, DebugOn FALSE and an alert with the file
// error.
void Activate(ZRVBase::BoardType board);

// Writes the text as one line while the status is writing; a failed write
// sets status failed, so no further line is tried.
void DebugWrite(std::span<const char> text);

// line := title + " " + time of day (hh:mm:ss.mmm) + "  ".
void DebugTitleAndTime(std::span<const char> title, std::span<char> line);

// The timer task's pause at its stop (writing -> paused) and resume at its
// start (paused -> writing). Any other status stays: a failed or closed log
// is never revived by the timer task.
void PauseLines();
void ResumeLines();

// Closes the file if open and clears the name; a status above failed
// becomes enabled, so the next Activate opens a new file even when
// "ZRVDebug.On" has gone meanwhile.
void Shutdown();

// ---- Module state ---------------------------------------------------------

// Full path of the log file; empty until Activate makes it.
extern char DebugFile[256];
// "ZRVDebug.On" was found.
extern bool DebugOn;
extern std::atomic<std::uint8_t> DebugStatus;

// ---- What Activate asks of the timer task and the USB interface -----------
// Both modules use this one, so they install their procedures here (from
// their InitModule) instead of this module calling them by name. Never nil:
// the defaults do nothing.

using SetDebugProc = void (*)(bool on);
using ActivateLoggingProc = void (*)();
void NoSetDebug(bool on);
void NoActivateLogging();
// ADTimerTask::SetDebug: the timer task writes its lines or not.
extern SetDebugProc TimerTaskSetDebug;
// QRN55Interface::ActivateLogging: arms the driver's HTML log under
// DebugFile.
extern ActivateLoggingProc InterfaceActivateLogging;

}  // namespace ZRVDebug
