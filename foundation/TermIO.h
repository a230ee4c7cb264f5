#pragma once

// The program's console. Text goes to the notebook window's terminal
// (EditState::ListConsole, skipped while that window is closed) and, one
// record per finished line, into the notebook buffer Shell::List.
//
// The main thread (the one that ran InitModule) writes directly. Any other
// thread (the acquisition timer task, a driver's polling thread) may call
// every procedure here too: its text is gathered per thread into whole lines
// and queued, and the main thread shows them, in order and never in the
// middle of a line of its own, at its next console call that starts or ends
// a line (Flush included). A full queue drops further lines and says how
// many on delivery.

#include <cstdint>
#include <span>

namespace TermIO {

// The pending line: text written since the last line end (at most 255
// characters; the terminal shows all of it).
extern char BufferString[256];
// The next output starts a new terminal line.
extern bool NewLine;
// Text was written since the last Flush.
extern bool Written;

// Empties the pending line, NewLine TRUE, Written FALSE; the calling thread
// becomes the console's main thread.
void InitModule();

void WriteString(std::span<const char> text);
void Write(char character);
// Ends the line: the pending line becomes a notebook record.
void WriteLn();
void WriteLine(std::span<const char> text);

void WriteBoolean(bool value);                 // " TRUE" or "FALSE"
void WriteInt(std::int32_t value, int width);  // right-aligned in width
void WriteCard(std::uint32_t value, int width);
void WriteAddress(const void* address, int width);  // decimal, as WriteCard
void WriteHex(std::uint32_t value, int width);      // at least the digits needed
// Scientific with digits + 7 characters, blanks before it up to width; a
// width below digits + 7 gives width '*'.
void WriteReal(double value, int width, int digits);
void WriteRealFixed(double value, int width, int decimals);
// total - width blanks, then the engineering text in width.
void WriteEngineering(double value, int total, int width);
void WriteSet16(std::uint16_t set, int bits);  // bits characters '0'/'1'
void WriteSet32(std::uint32_t set, int bits);
void WriteTime(double time);  // hh:mm:ss.mmm
void WriteDate(double time);  // yyyy/mm/dd hh:mm:ss.mmm

// A highlighted line of its own, with the alert beep.
void WriteAlertLine(std::span<const char> text);
// Switches the highlight of the text that follows (on EditState::Console).
void SetHighlight(bool on);

// Stores a non-empty pending line in the notebook; NewLine TRUE, Written
// FALSE.
void Flush();
// Brings the console window up to date.
void ForceUpdate();
// Stores the pending line (also when empty) and a separator record in the
// notebook and erases the terminal; the notebook keeps everything.
void ClearScreen();

}  // namespace TermIO
