// The help mode of the dialogs: while it is on, a small window titled
// "Tooltips" follows the pointer and shows the tool tip (a bold title over
// a wrapped text) of the dialog item under it; with the control key held it
// shows the item's name and number and the pointer's position instead,
// which serves to write help files.
//
// The tips come from one help file, loaded whole into the buffer
// "HelpFileBuffer"; titles and texts are cut out of it in place, so the
// buffer lives as long as the tips. Each tip is attached to an item of a
// dialog that is open when the file loads (DialogItem::HelpIndex). A help
// file: optional comment lines (";"), the header "HELP-FILE <version>"
// (the macro version; without combined names it may be missing), an
// optional "FONT: <name>" line, then entries "item reference; title;
// text", each field also ended by a line end; a comment line ends the
// entries. The dialog loop starts and shuts the module; loading, toggling
// and feeding events are its clients' choice. Main thread only.
#pragma once

#include <cstdint>
#include <span>

#include "dialogs/ModDialogUt.h"
#include "platform/Geometry.h"
#include "shell/ModWindow.h"

namespace HelpDialog {

inline constexpr int kMaxTips = 2000;

// One tip: its title and text in the help buffer and the window's size in
// pixels. Entry 0 holds only the size of the position display.
struct TipEntry {
  const char* title = nullptr;
  const char* text = nullptr;
  std::int32_t height = 0;
  std::int32_t width = 0;
};

extern TipEntry ItemDescr[kMaxTips + 1];
extern bool ShowHelp;
extern bool FileIsLoaded;
extern bool ShowMousePos;
extern char TitleBuffer[128];
extern char TextBuffer[512];
// The help font: "Paladino" unless the help file names another, size 10.
extern char FontName[40];
// The tip window and where it stands.
extern ModDialogUt::DialogRecord HelpDialog;
extern ModWindow::WindowParameters WindowParams;

// Resets the record and the state: help mode off, nothing loaded, the
// help font "Paladino".
void InitModule();
// Loads the help file and tags the items of the open dialogs with their
// tips; TRUE when at least one tip was read. Every failure is told in an
// alert ("HelpFile - ..."); an entry beyond the 2,000th stops the reading
// with a console line and keeps the tips read.
bool LoadFile(std::span<const char> name);
bool FileLoaded();
bool DoShow();
// Switches the help mode and the help cursor; switching off hides the
// window.
void Toggle();
// Follows the pointer in help mode, given the event just taken (no key:
// the pointer is tracked; window and activate events change nothing; any
// other key hides the window until the pointer moves).
void HandleHelp(int code, char character, int modifiers);
// Frees the buffer and the window; the help cursor off.
void Shutdown();

}  // namespace HelpDialog
