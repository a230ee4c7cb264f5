// The program's way to tell the operator something and to ask a short
// question or a text or number: alerts from the templates 131 to 136 and
// 160, the button choice 137, the editing dialogs 150, 153 and 2000 of the
// resource file. Every one is modal: it shows the arrow cursor while it
// waits and restores the previous cursor shape afterwards. The editing
// dialogs hand the program's paste buffer to their fields' cut and paste
// (DialogUtils::ScrapExchange).
//
// Where the answers come from (ModalAnswer): on screen the box is drawn
// and scripted clicks and keys, then the answers queued with PushAnswer
// (each a click on that answer's button), then the default answer it;
// off the main thread or without the UI layer the text goes to stderr and
// a queued answer or the default is taken. Headless runs write the text
// to stderr as well. A quit request ends a dialog as Cancel would: YesNo
// FALSE, YesNoCancel 3, Choice 0, edits FALSE with nothing changed.
//
// Answers as queued: OK 1; YesNo 1 Yes, 2 No; YesNoCancel 1 yes, 2 no,
// 3 cancel; Choice the button 1..3; edits and numbers 1 OK, 2 Cancel,
// and for EditBigString 3 the revert button.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

namespace Alert {

// The line break callers put between the lines of a message (a carriage
// return); headless output shows it as a new line.
inline constexpr char LF[2] = {'\r', '\0'};
// Indents columns in message texts.
inline constexpr char TAB[4] = "   ";

// TRUE after the last editing dialog was left with Cancel (or a quit
// request), FALSE after OK; set FALSE when such a dialog opens.
extern std::atomic<bool> Cancelled;

// Stops the current sound (ModSound::Off), then sounds the system alert
// once, or count times.
void Beep();
void Bell(int count);

// Shows the message with an OK button and waits for OK.
void OK(std::span<const char> message);

// TRUE for Yes. yesIsDefault chooses which of the two layouts is used: Yes
// or No as the default button.
bool YesNo(std::span<const char> question, bool yesIsDefault);

// 1 yes, 2 no, 3 cancel. defaultAnswer 1 makes yes the default button, 3
// cancel, anything else no.
int YesNoCancel(std::span<const char> question, int defaultAnswer);

// Shows the message with the buttons whose titles are not empty and returns
// the number (1..3) of the one pressed. The default button counts only when
// it names a shown button: Return and Enter then press it, Escape and
// Command-period button 1; without it only a click answers. 0 is no answer
// (template missing, quit request, or no answer left in a headless run).
int Choice(std::span<const char> message, std::span<const char> button1,
           std::span<const char> button2, std::span<const char> button3, int defaultButton);

// Edits one or two texts: TRUE on OK, the texts changed only then. A text
// longer than its variable holds (capacity - 1, at most 256) is not taken:
// the dialog comes back with "Truncated: " before the prompt and the text
// cut, until it fits or the operator cancels.
bool EditString(std::span<const char> prompt, std::span<char> text);
bool Edit2Strings(std::span<const char> prompt1, std::span<char> text1, std::span<const char> prompt2,
                  std::span<char> text2);
// The same for a text of several lines (at most 1,023 characters). With
// returnIsOK Return ends it as OK, else Return starts a new line and Enter
// means OK. Its Revert button brings the caller's text back.
bool EditBigString(std::span<const char> prompt, std::span<char> text, bool returnIsOK);

// Show texts without reading them back: TRUE when left with OK.
bool ShowString(std::span<const char> prompt, std::span<const char> text);
bool Show2Strings(std::span<const char> prompt1, std::span<const char> text1, std::span<const char> prompt2,
                  std::span<const char> text2);
void ShowBigString(std::span<const char> prompt, std::span<const char> text);

// A number in an edit field: the entered one, or the given value when
// cancelled or not a whole valid (for reals: finite) number. Real shows
// the value in scientific notation, Fixed with the decimals; both read
// engineering notation.
std::int32_t Number(std::span<const char> prompt, std::int32_t value);
double Real(std::span<const char> prompt, double value);
double Fixed(std::span<const char> prompt, double value, int decimals);

// Beeps, then shows in OK the message, ": " and the text of the last file
// error (IOFiles::GetError), the whole cut to 128 characters.
void IOError(std::span<const char> message);

// Four texts in one box.
void Big(std::span<const char> text1, std::span<const char> text2, std::span<const char> text3,
         std::span<const char> text4);

// Test seam: queues the answer that the next dialog takes.
void PushAnswer(int button);
// Empties the queue.
void ClearAnswers();
// Test seam: an operator who reads the message of every OK and Choice box
// before it is shown (the lines apart by LF), may change what the box asks
// about, and answers with the button as PushAnswer takes it, which a Choice
// then takes (an OK box ignores it). An answer of 0 ends a Choice with 0 at once, as
// a quit request would. Nil: no such operator.
using AnswerProc = std::function<int(std::string_view message)>;
void SetAnswerProc(AnswerProc proc);

}  // namespace Alert
