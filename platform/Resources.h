// The program's resources: dialog and alert templates, windows, menus and
// the menu bar, cursors and the pattern list. They are data, kept apart
// from the code in one readable text file (platform/resources/mereth.rsrc),
// which the build embeds into the program; the layer parses it once when it
// starts, and tests may load another text in its place.
//
// The text: one block per resource, a header line at the left margin, then
// its item lines indented; '#' in the first column makes a line a comment,
// blank lines are ignored. Words are separated by blanks; texts are in
// double quotes (\" and \\ stand for a quote and a backslash) and written
// in UTF-8, converted to the program's 8-bit set.
//
//   window ID at H V size W H [proc N] [title "T"]
//   dialog ID at H V size W H [proc N] [title "T"]
//   alert ID at H V size W H
//       N KIND ["T"] at H V size W H [disabled]
//         (KIND: user, button, checkbox, radio, scrollbar, static, edit;
//          positions local to the window's content)
//   menu ID "TITLE"
//       N item "T" [key C]  |  N separator
//   menubar ID
//       N menu ID                     (a menu defined above)
//   patterns ID
//       N B1 B2 B3 B4 B5 B6 B7 B8    (the eight rows in hexadecimal)
//   cursor ID hotspot H V
//       sixteen rows of sixteen '#' black, 'o' white, '.' clear
//
// Items are numbered from 1 without gaps, in order. A number may be used
// once per kind of resource (dialogs and alerts share one numbering).
//
// Load is all or nothing: the first error (an unknown keyword, a missing
// or malformed value, a duplicate number, an item out of order, a
// character the 8-bit set lacks ...) leaves the loaded set as it was and
// names its line in ErrorLine and ErrorText. Lookups give nil for a number
// that is not there; what they give stays valid until the next successful
// Load. Main thread only.
#pragma once

#include "platform/Cursor.h"
#include "platform/Geometry.h"
#include "platform/Pattern.h"

#include <span>
#include <string>
#include <vector>

namespace Resources {

// Item kinds, in the platform's numbering; kDisabled is added to the kind
// of an item that reports no clicks.
inline constexpr int kUserItem = 0;
inline constexpr int kButtonItem = 4;
inline constexpr int kCheckBoxItem = 5;
inline constexpr int kRadioItem = 6;
inline constexpr int kScrollBarItem = 7;
inline constexpr int kStaticTextItem = 8;
inline constexpr int kEditTextItem = 16;
inline constexpr int kDisabled = 128;

struct Item {
  int kind = kUserItem;
  Geometry::Rect rect;
  std::string text;
};

struct DialogTemplate {
  int id = 0;
  bool alert = false;
  Geometry::Rect bounds;  // global content rectangle
  int procID = 0;
  std::string title;
  std::vector<Item> items;  // item n is items[n - 1]
};

struct WindowTemplate {
  int id = 0;
  Geometry::Rect bounds;
  int procID = 0;
  std::string title;
};

struct MenuItem {
  std::string text;  // empty for a separator
  bool separator = false;
  unsigned char key = 0;
};

struct MenuTemplate {
  int id = 0;
  std::string title;
  std::vector<MenuItem> items;
};

// Reads the text; true on success, when it replaces the loaded set.
bool Load(std::span<const char> text);
// The line of the last failed Load (0 after a success) and what is wrong.
int ErrorLine();
const std::string& ErrorText();

// The text built into the program.
std::span<const char> ShippedText();
// Loads the built-in text unless a set is loaded already; false when it
// does not read.
bool InitModule();

// Lookups; each loads the built-in text first when nothing is loaded.
const DialogTemplate* GetDialog(int id);  // dialogs and alerts
const WindowTemplate* GetWindow(int id);
const MenuTemplate* GetMenu(int id);
// The menu IDs of a menu bar, from the left.
const std::vector<int>* GetMenuBar(int id);
const std::vector<Pattern::Pat>* GetPatternList(int id);
const Cursor::Image* GetCursor(int id);

}  // namespace Resources
