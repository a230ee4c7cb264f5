// The program's way to tell the operator something and to ask a short
// question. Every alert is modal: it shows the arrow cursor while it waits
// and restores the previous cursor shape afterwards.
//
// Headless form (until the dialog framework stands): the alert is written to
// stderr as text, and the button pressed is taken from a queue of scripted
// answers that tests fill with PushAnswer; with the queue empty the default
// button is taken. Safe to call from any thread.
#pragma once

#include <span>

namespace Alert {

// The line break callers put between the lines of a message (a carriage
// return); headless output shows it as a new line.
inline constexpr char LF[2] = {'\r', '\0'};

// Sounds the system alert.
void Beep();

// Shows the message with an OK button and waits for OK.
void OK(std::span<const char> message);

// TRUE for Yes. yesIsDefault chooses which of the two layouts is used: Yes
// or No as the default button. Scripted answers: 1 Yes, 2 No.
bool YesNo(std::span<const char> question, bool yesIsDefault);

// Shows the message with the buttons whose titles are not empty and returns
// the number (1..3) of the one pressed. The default button counts only when
// it names a shown button. A scripted answer that names no shown button is
// skipped, as a click beside the buttons would be.
int Choice(std::span<const char> message, std::span<const char> button1,
           std::span<const char> button2, std::span<const char> button3, int defaultButton);

// Beeps, then shows in OK the message, ": " and the text of the last file
// error (IOFiles::GetError), the whole cut to 128 characters.
void IOError(std::span<const char> message);

// Test seam: queues the button number that the next YesNo or Choice presses.
void PushAnswer(int button);
// Empties the queue.
void ClearAnswers();

}  // namespace Alert
