// The few dialog services the test plot window needs, on a platform window
// of its own: switch items bound to boolean flags with command keys,
// graphics panes as item windows, and the processing of one event.
//
// Items are numbered from 1. A switch is a check box whose value follows
// its flag; pressing it (a click, or its command key while the window is in
// front) flips the flag. Command keys are characters compared without case
// and taken with any modifier the event source hands over as a character.
// A pane item is a child graphics window on the item's rectangle, made by
// CreateItemWindow. Rectangles are (left, bottom, width, height) in window
// pixels, y growing downward.
//
// A dialog is open from Open to Shutdown; every call ignores a dialog that
// is not open and an item number that is not there. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "shell/Graphics.h"

namespace ANSITerm {
struct TerminalRecord;
}
namespace Controls {
struct Control;
}

namespace TestPlotDialog {

enum class ItemType { None, Switch, GraphicsPane, User };

struct ItemRect {
  int left = 0;
  int bottom = 0;
  int width = 0;
  int height = 0;
};

struct Item {
  ItemType type = ItemType::None;
  const char* name = "";
  const char* text = "";
  ItemRect rect;
  bool* flag = nullptr;   // switches: the bound flag
  char commandKey = 0;    // switches: 0 for none
  bool shown = true;
  bool needsRedraw = false;
  Controls::Control* control = nullptr;
  Graphics::GraphicsWindow window = nullptr;  // panes: nil until CreateItemWindow
};

inline constexpr int kMaxItems = 10;

// Gets the events the dialog did not take; may-close answers whether the
// window may close.
using NotProcessedProc = void (*)(int code, char character);
using MayCloseProc = bool (*)();

struct DialogRecord {
  const char* title = "";
  const char* idName = "";
  ItemRect rect;  // the window's content: left, bottom, width, height in global pixels
  int fontNumber = 0;
  int fontSize = 12;
  int itemCount = 0;
  std::array<Item, kMaxItems + 1> items{};  // [0] unused
  NotProcessedProc notProcessed = nullptr;  // events the dialog did not take
  MayCloseProc mayClose = nullptr;          // nil: the window may close
  Graphics::GraphicsWindow root = nullptr;  // nil while not open
  ANSITerm::TerminalRecord* terminal = nullptr;
  bool needsUpdate = false;
};

// Every field back to its default.
void ClearRecord(DialogRecord& d);
// Makes the window (hidden) with its items; FALSE when the window cannot
// be made, leaving a half-built dialog for Shutdown.
bool Open(DialogRecord& d);
bool IsOpen(const DialogRecord& d);
// Removes the window, its panes and terminal; the items stay described.
void Shutdown(DialogRecord& d);

void Hide(DialogRecord& d);
void BringToFront(DialogRecord& d);
bool IsShown(const DialogRecord& d);
bool IsInFront(const DialogRecord& d);

// The item shown or hidden; UpdateItem also draws the switch's flag.
void ShowItem(DialogRecord& d, int item, bool shown);
void UpdateItem(DialogRecord& d, int item);
// Moves a pane item to a new rectangle and gives it its graphics window;
// FALSE when the window cannot be made.
bool CreateItemWindow(DialogRecord& d, int item);
// Draws every shown switch with its flag and clears the redraw marks.
void Update(DialogRecord& d);
// Takes one event of the dialog's terminal (as ANSITerm::NextEvent gave
// it): clicks on shown switches, their command keys while in front, the
// close box (refused when mayClose says FALSE). Anything else goes to
// notProcessed.
void Process(DialogRecord& d, int code, char character);

// The centre of a shown item in global pixels, for scripts; FALSE when not
// shown or not open.
bool ItemCenter(const DialogRecord& d, int item, int& h, int& v);

}  // namespace TestPlotDialog
