// The program's one clock and its one way of writing dates.
//
// TimeSeconds counts seconds of the local calendar clock (the wall clock,
// zone offset included) from 1990-01-01 00:00:00, with fractions. GetTime is
// the calendar time at start-up carried on by the monotonic clock, so it
// never jumps while the program runs. Dates are broken down and built up on
// the plain calendar without any zone conversion, because the value already
// is local time: ToDate shows the local date, and FromDate is the exact
// inverse of ToDate and ToAltDate.
//
// Texts are fixed strings; every writer starts at position 0 and ends the
// text with a NUL. A time that is no number (or lies outside the years 0 to
// 9999 for a date) is written "n.a."; a text too small for its form gets '*'
// in every character but the last, which is NUL.
#pragma once

#include <span>

namespace RealTime {

using TimeSeconds = double;

// The GetTime at InitModule.
extern TimeSeconds StartupTime;
// Ticks of the monotonic clock per second (1,000,000).
extern double TicsPerSecs;

TimeSeconds GetTime();
// Calendar time now minus GetTime: how far the calendar has drifted.
double GetTimeDiff();
// Shifts every later GetTime by the seconds.
void Resync(double seconds);
// Blocks for the seconds (sleeps, then polls the last 0.02 s).
void Wait(double seconds);

// Start of the current calendar day, without the local-time correction that
// TimeSeconds carries (FromTime adds it back).
TimeSeconds Midnight();
// Seconds into the day of the time.
double SecSinceMidnight(TimeSeconds time);

// hh:mm:ss, or hh:mm:ss.mmm; needs a capacity of 13.
void ToTime(TimeSeconds time, std::span<char> text, bool milliseconds);
// yyyy/mm/dd, optionally a blank and the time; needs a capacity of 12, 21
// with the time, 25 with milliseconds.
void ToDate(TimeSeconds time, std::span<char> text, bool withTime, bool milliseconds);
// dd-Mon-yyyy, optionally a blank and the time; capacities as ToDate.
void ToAltDate(TimeSeconds time, std::span<char> text, bool withTime, bool milliseconds);

// The time of a date in either written form ("2007/03/09 14:05:33.5" or
// "09-Mar-2007 14:05:33.5", any single non-digit separators, missing fields
// 0, out-of-range fields carried over); 0 for a text of 3 characters or
// fewer, and for the dd-Mon-yyyy form shorter than 11.
TimeSeconds FromDate(std::span<const char> text);
// That time of day ("hh:mm:ss.fff") on the current day.
TimeSeconds FromTime(std::span<const char> text);

void InitModule();

}  // namespace RealTime
