// The test report and the limits it checks against.
//
// Writing. Report text goes either straight to the test output (TestIO,
// gated by ADMeasure::TestWriteMode) or, while Buffering is on, into a
// buffer of 32 lines of at most 127 characters. Line 0 holds what comes
// before the first line end; each line end moves to the next line and
// clears it, and from line 31 on every further line end reuses line 31.
// Only a flush writes the buffer out, lines 1 to OutputIndex, to the test
// output and, while a report file is open (WriteToFile), to the file. The
// report file is written as a replacement: CloseOutFile puts it in place of
// the old file, and a failed write leaves the old file whole (FileError,
// file output stops, the test output goes on).
//
// Checking. PutAndCompare writes a value and, while DoCompare is on, judges
// it against its limits: a value outside them, or one that is not a number,
// has failed. The line gets a failed mark, the name is written in capitals
// and highlighted, and TestErrors grows by one. Only the owners of a count
// reset TestErrors (the range-file writer, the calibration menu).
//
// Reading. One input file at a time (OpenInFile), read forward line by line
// into InputBuffer; InPosition is the read position in it, -1 after a
// failed search, and nothing is read from a negative position. The limit
// text after a key is one of
//   "<" v            lower -|v|, upper |v|
//   ">" v            lower v, upper as it stands
//   n "#" t          n - t .. n + t   (also the plus-minus sign in 0xB1,
//   n "±" t "%"      n -+ t percent    0xF1 or UTF-8 0xC2 0xB1)
//   n "/" m          n .. m
// with the numbers scaled by the caller's factor (a relative tolerance
// not), the two limits exchanged when lower > upper (except after ">").
// A number may carry its minus sign behind ("1.5-" is -1.5); "?" leaves the
// number as it stands. A limit text that cannot be read, or whose
// limits are not finite, changes nothing and gives a warning line that
// names the key and CurrentLabel.
//
// Failures are results (booleans, FileError); errors for the operator go to
// the console. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/IOBytes.h"
#include "selftest/ProtocolTypes.h"

namespace Protocol {

inline constexpr int kLineSize = 128;  // 127 characters and a NUL
inline constexpr int kBufferLines = 32;

extern std::int32_t TestErrors;
extern bool DoCompare;      // compare values with their limits [TRUE]
extern bool ShowLimits;     // print the limits of failed values [TRUE]
extern bool Buffering;      // report text through the line buffer [FALSE]
extern bool ErrorsOnly;     // a flush keeps only failed lines [FALSE]
extern bool WriteToFile;    // a report file is open and being written
extern bool WriteToPrinter; // the report is meant for the printer: the header is written
extern bool FileError;      // an open, read or write failed
extern char TesterName[81]; // printed after "Tested by: "
// Writes the amplifier state into the report; test procedures call it.
extern void (*WriteStateProc)();
// The label whose lines are being read, named by the reader's warnings.
extern char CurrentLabel[kLineSize];

extern char OutputBuffer[kBufferLines][kLineSize];
extern bool Failed[kBufferLines];
extern std::int32_t OutputIndex;
extern char InputBuffer[kLineSize];
extern std::int32_t InPosition;

void DummyWriteState();
// The defaults above, an empty buffer, no files.
void InitModule();

// ---- Output -----------------------------------------------------------------

void WriteString(std::span<const char> text);
// Next buffered line, or a line end on the test output; either way the
// current line's failed mark is cleared.
void WriteLn();
// A line end, then the text.
void WriteLine(std::span<const char> text);
// Appends to the buffered line whatever Buffering says, then count line ends.
void Save(int count, std::span<const char> text);
// digits >= 0: fixed; digits < 0: scientific with -digits decimals in
// -digits + 7 characters, right-aligned in width, or width stars when it
// does not fit. trim drops the leading blanks.
void WriteReal(double x, int width, int digits, bool trim);

// Writes the buffer (without buffering: nothing); ErrorsOnly as it stands.
void Flush();
// Flush, then a new line with the text.
void PutText(std::span<const char> text);
// Flush, a blank line, then a new line with the text: a test block's title.
void PutString(std::span<const char> text);

// Starts a replacement of the named file (a report file still open is
// closed first) and empties the buffer. WriteToFile := success,
// FileError := failure.
bool OpenOutFile(std::span<const char> name);
// Ends the line, flushes every line and puts the file in place, unless a
// write failed (then the old file stays). WriteToFile := FALSE, buffer
// emptied, in every case.
void CloseOutFile();

// Only while WriteToFile or WriteToPrinter: a blank line, line1 and line2
// when not empty, "Test Protocol - " title, the date, the tester, then
// "Created by " MacEnv::Version when created, else the units legend; all
// flushed.
void WriteHeader(bool created, std::span<const char> line1, std::span<const char> line2,
                 std::span<const char> title);

// label, name (in capitals when failed), factor x value in width.digits.
void PutAndCompare(std::span<const char> label, std::span<const char> name,
                   const MeasuredValue& value, double factor, int width, int digits);
// label, factor x lower "/" factor x upper (both trimmed), closing.
void WriteLimits(std::span<const char> label, const MeasuredValue& value, double factor,
                 int width, int digits, std::span<const char> closing);
// "  " and a highlighted "FAILED" (nothing in errors-only mode).
void WriteFailed();

// Single values: on a failed line the limits follow in " (" ... ") " when
// ShowLimits, then the failure mark.
void WriteRealScaled(std::span<const char> label, const MeasuredValue& value, double factor,
                     int width, int digits);
void WriteRealValue(const MeasuredValue& value);
void WriteGain(const MeasuredValue& value);
// Groups: a new line with every member; on failure the mark and, with
// ShowLimits, a line with every member's limits (marked failed too).
void WriteTransfer(const TransferValues& values);
void WriteOffsetDac(const OffsetDacValues& values);
void WriteSpan(const SpanValues& values);
void WriteFQ(const FrequencyResponseValues& values);
void WriteRisetime(const RiseTimeValues& values);
void WriteExponential(const ExponentialValues& values);
// Nothing for a check not performed; else flush, a blank line when asked,
// the text and " is OK" or the counted failure mark.
void WriteBool(std::span<const char> text, const CheckResult& check, bool blankLine);
// Marks the current line failed (for failures the caller counts itself).
void MarkFailed();
// "No error conditions found." or "Failed parameters: " n; only with
// DoCompare.
void WriteErrorNumber();

// ---- Input ------------------------------------------------------------------

// A message line of the reader on the console, on a line of its own
// whatever test output stands before it.
void ConsoleLine(std::span<const char> text);

bool OpenInFile(std::span<const char> name);
void CloseInFile();
// The input file's position, for readers that come back to a place.
bool GetInputPosition(std::int32_t& position);
bool SetInputPosition(std::int32_t position);
// The next line of at most 127 characters into InputBuffer (a longer line
// goes on as the next), position 0. FALSE at the end of the file, after any
// earlier error (FileError) or without an open file.
bool ReadLine();
// From the current line's start on, then line by line: TRUE with the
// position just after the key, else FALSE at the end of the file with the
// position -1.
bool FindString(std::span<const char> key);
// The same with the case of letters ignored.
bool FindStringIgnoringCase(std::span<const char> key);
// FindString of the section; when missing: FileError, a beep, the error
// text in an alert and on the console, the input file closed, FALSE.
bool FindBeginning(std::span<const char> section, std::span<const char> errorText);
// The key in the current line from the read position on, then the
// limit text after it; FALSE with the position -1 when the key is
// missing.
bool GetMinMax(std::span<const char> key, MeasuredValue& value, double factor);
// One number at the read position into x (times factor); "?" keeps x.
bool ExtractValue(double& x, double factor);
// A limit text at the read position into the limits of value.
bool NextMinMax(MeasuredValue& value, double factor);
// Admit-all limits, then a limit text at the read position.
bool ReadRealValue(MeasuredValue& value, double factor);
// Admit-all limits, then "Gain" in the next line (nextLine) or from the
// read position on.
bool ReadGain(MeasuredValue& value, bool nextLine);
// Admit-all limits of every member, the next line, then each member's key
// in order; TRUE when every key was read.
bool ReadTransfer(TransferValues& values);
bool ReadOffsetDac(OffsetDacValues& values);
bool ReadSpan(SpanValues& values);
bool ReadFQ(FrequencyResponseValues& values);
bool ReadRisetime(RiseTimeValues& values);
bool ReadExponential(ExponentialValues& values);
// The AD/DA board's correction factors from its section (by
// ZRV::GetBoardType) into ADMeasure; the file position and FileError are
// restored afterwards. Only finite numbers are taken.
void ReadCalibFactors();

}  // namespace Protocol
