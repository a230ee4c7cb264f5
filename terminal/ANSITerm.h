#pragma once

// The character-cell terminal of a text window: a grid of lines and columns,
// output collected in a pending buffer and drawn in runs at the cursor, and
// the VT100-named control functions, called as procedures (no escape
// sequences are parsed).
//
// This is the part the console output needs: Write, Update, CUP, NEL, EDc
// and SGR. A terminal draws into its own cell grid (character and rendition
// per cell), which is what its window shows; tests and the headless program
// read it back with ScreenLine and ScreenRendition. Every operation does
// nothing for a nil terminal. Main thread only.
//
// Input: every loop of the program takes its events through Input or
// NextEvent on its terminal, which pull them from the platform, run menu
// commands and high-level events themselves, and hand back a key event
// (ANSIBase's key codes, character and modifiers).

#include "platform/Geometry.h"

#include <cstdint>
#include <span>
#include <vector>

namespace Windows {
struct Window;
}
namespace Controls {
struct Control;
}
namespace Graphics {
struct GraphicsWindowRecord;
using GraphicsWindow = GraphicsWindowRecord*;
}  // namespace Graphics

namespace ANSITerm {

struct TerminalRecord;
// The owner's procedures: after an update event of the window, after a
// resize or zoom.
using EventProc = void (*)(TerminalRecord* terminal);

inline constexpr int kPendingSize = 256;
inline constexpr int kMaxColumns = 255;

// Renditions of SGR.
inline constexpr int kNormal = 0;
inline constexpr int kHighlight = 1;
inline constexpr int kInverse = 2;

struct TerminalRecord {
  char tag[8] = {'A', 'N', 'S', 'I', 0, 0, 0, 0};
  char pending[kPendingSize] = {};  // written, not yet drawn
  int pendingCount = 0;
  int rendition = kNormal;
  int cursorLine = 0;    // 0-based within the scroll region
  int cursorColumn = 0;  // 0-based; may be negative
  int lines = 0;
  int columns = 0;
  int scrollRegionTop = 1;     // 1-based first line
  int scrollRegionBottom = 0;  // line count of the scroll region
  std::vector<char> cells;     // lines x columns characters
  std::vector<std::uint8_t> cellRenditions;
  Windows::Window* window = nullptr;  // nil for a terminal without a window
  Graphics::GraphicsWindow graphicsWindow = nullptr;  // the window's root graphics window
  EventProc updateProc = nullptr;
  EventProc resizeProc = nullptr;
  void* userData = nullptr;  // the owner's (the editor: the buffer shown)
  // Nil until made (ScrollBars::Create); a terminal may have no horizontal bar.
  Controls::Control* verticalScrollBar = nullptr;
  Controls::Control* horizontalScrollBar = nullptr;
  // Lines of text per unit of the vertical bar's value (ScrollBars).
  double scale = 1.0;
  // The text area in window coordinates: the clip of the terminal's drawing.
  Geometry::Rect textRect;
  // Layout and window to be redone before the next full erase.
  bool resized = true;
  // The window has scroll bars and a grow box.
  bool hasScrollBars = false;
};

// The terminal layer's defaults and its heap buffer "ANSITerm.Heap"; FALSE
// when that cannot be made.
bool Initialize();

// A terminal for the window: as many lines and columns of the font's cells
// as its content holds (at least one each). Nil for a nil window.
TerminalRecord* Open(Windows::Window* window, int fontNumber, int fontSize);

// A terminal of lines x columns (columns at most 255) without a window: the
// console of the headless program and of tests. The whole grid is the
// scroll region; it starts blank with the cursor home.
TerminalRecord* CreateHeadless(int lines, int columns);

// Stores the owner's two procedures and its data.
void SetEventProcs(TerminalRecord* terminal, EventProc update, EventProc resize, void* userData);

// Draws pending output and marks the terminal resized (its layout is
// redone before the next full erase).
void SetSize(TerminalRecord* terminal);

// Frees the terminal and sets the reference to nil.
void Close(TerminalRecord*& terminal);

// Appends the characters of text (up to its end) to the pending output and
// returns how many were taken; when 256 are pending they are drawn first.
// A tab is stored as '_', every other character below 32 as code 8.
int Write(TerminalRecord* terminal, std::span<const char> text);

// Draws the pending output at the cursor and advances the cursor column by
// the pending count. Characters left of column 0 or right of the last column
// are not shown.
void Update(TerminalRecord* terminal);

// Draws pending output, then moves the cursor to the 1-based line and
// column: a line below the scroll region means its last line, a column past
// the last one the last column.
void CUP(TerminalRecord* terminal, std::int32_t line, std::int32_t column);

// Next line: down one line, scrolling the region up at its bottom; then
// column 0.
void NEL(TerminalRecord* terminal);

// Draws pending output, erases the whole terminal and homes the cursor.
void EDc(TerminalRecord* terminal);

// Draws pending output and sets the rendition of the text that follows:
// 0 normal, 1 highlight, 2 inverse.
void SGR(TerminalRecord* terminal, int rendition);

// ---- Input ---------------------------------------------------------------

// One pass of the event source: TRUE when an event was delivered in code,
// character and modifiers (cleared at the start; they count only with
// TRUE). It waits at most one tick. FALSE for a nil terminal.
bool NextEvent(TerminalRecord* terminal, int& code, char& character, int& modifiers);
// Draws pending output and calls NextEvent until it delivers. A nil
// terminal, and any call once MacEnv::Terminated is set, gives code 0 and
// character 0 at once; so does the program's end while it waits.
void Input(TerminalRecord* terminal, char& character, int& code);
// Discards every pending platform event; unless the last code delivered
// was an update, also forgets the last event and its window.
void Flush();
// The window the last mouse or window event concerned (codes 48 to 58 and
// 60), else nil.
Windows::Window* ActiveWindow();

// ---- What the window shows ------------------------------------------------

// text := the characters of 1-based line `line` without trailing blanks
// (empty for a line outside the grid).
void ScreenLine(const TerminalRecord* terminal, int line, std::span<char> text);

// The rendition of a 1-based cell; -1 outside the grid.
int ScreenRendition(const TerminalRecord* terminal, int line, int column);

}  // namespace ANSITerm
