#pragma once

// The character-cell terminal of a text window: a fixed-pitch grid of lines
// and columns laid over a window, output collected in a pending buffer and
// drawn in runs at the cursor, a blinking cursor, three renditions,
// scrolling inside a scroll region and a one-line message area. The
// operations carry the names of the ECMA-48 / VT100 control functions but
// are procedures: no escape sequences are parsed.
//
// Every operation takes the terminal first and does nothing for nil. Line
// and column arguments of the positioning operations are 1-based, counts
// are numbers of lines or characters; arguments may be any 32-bit value.
// The cursor keeps the position an operation computes even outside the grid
// (output there is simply not shown; the editor starts lines left of the
// window on purpose), but nothing is ever drawn or stored outside the grid,
// and positions saturate at the 32-bit limits instead of wrapping.
//
// A terminal keeps a grid of what its window shows (character and rendition
// per cell); ScreenLine and ScreenRendition read it back, so tests and the
// headless program need no pixels. A window terminal draws into its
// window's port as well: text in runs of up to 256 characters, scrolling
// and insertion by moving pixels (the uncovered area erased, nothing
// redrawn). A terminal made by CreateHeadless has the grid only.
//
// Geometry is computed in one place, DECSTBM: the text area is the window's
// port rectangle (the graphics window's pixel viewport for a terminal
// without scroll bars) less margins of 5 left, 2 right, 3 top and, with
// scroll bars, the bar width right and bottom; lines = height div line
// height, columns = (width - 1) div character width, at most 255. Line
// height and character width are at least one pixel, so a missing or
// zero-size font still gives a usable (if tiny) grid, and a window smaller
// than a cell gives 0 lines or columns.
//
// Main thread only: BlinkTime, the cursor shape and the event source's
// state are shared by all terminals.

#include "foundation/Buffer.h"
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

// Cursor shapes.
inline constexpr int kBarCursor = 1;
inline constexpr int kBlockCursor = 2;

// The window's reference value points to the record; the tag tells a
// terminal window from a dialog window ("DIAL") and is cleared at Close.
struct TerminalRecord {
  char tag[8] = {'A', 'N', 'S', 'I', 0, 0, 0, 0};
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
  // Global position of the last click, for double clicks.
  Geometry::Point lastClick;
  // The scroll region's pixels in window coordinates (its left edge one
  // pixel left of the text): the clip of the terminal's drawing, and what
  // scrolls and is erased.
  Geometry::Rect textRect;
  // Of the window's font.
  int ascent = 0;
  int descent = 0;
  int maxWidth = 0;
  int leading = 0;
  char pending[kPendingSize] = {};  // written, not yet drawn
  std::uint32_t doubleClickDeadline = 0;  // ticks; 0 = none
  int pendingCount = 0;
  int lineHeight = 1;      // ascent + descent
  int characterWidth = 1;  // of "M"
  int textMode = 0;        // 0 copy, 4 inverted copy
  int rendition = kNormal;
  std::int32_t cursorLine = 0;    // 0-based within the scroll region
  std::int32_t cursorColumn = 0;  // 0-based; may be negative
  int lines = 0;
  int columns = 0;
  // 1-based cell of the last click or drag (the event source's).
  std::int32_t mouseLine = 1;
  std::int32_t mouseColumn = 1;
  // Edges of the text area in window coordinates.
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
  int scrollRegionTop = 1;     // 1-based first line
  int scrollRegionBottom = 0;  // line count of the scroll region
  // While a message is shown: the text area's top edge and the cursor to
  // go back to; messageSavedTop -1 when none is.
  int messageSavedTop = -1;
  std::int32_t messageSavedLine = 0;
  std::int32_t messageSavedColumn = 0;
  // Layout and window to be redone before the next full erase.
  bool resized = true;
  bool cursorDrawn = false;
  bool cursorEnabled = true;
  bool keypadApplicationMode = true;
  // The window has scroll bars and a grow box.
  bool hasScrollBars = false;

  // Not part of the screen's state: where the record came from, the band
  // of a message shown in the scroll-bar band, and the grid.
  Buffer::NamedBuffer heap = nullptr;  // nil: a headless terminal
  bool messageInBand = false;
  bool bandCoversBar = false;
  Geometry::Rect band;
  int fontNumber = 0;         // what the text is drawn in
  int fontSize = 0;           // pixels
  int gridColumns = 0;        // the grid's width when last fitted
  std::vector<char> cells;    // lines x columns characters
  std::vector<std::uint8_t> cellRenditions;
  char messageText[kMaxColumns + 1] = {};  // what the band shows
};

// Module state.
extern int CursorShape;               // kBarCursor or kBlockCursor (default)
extern bool EnableApplicationMode;    // FALSE: every keypad is numeric
extern bool ProcessingKeyWindow;      // the event source's (ANSIEvents)
extern bool ReportFrontClick;         // default TRUE
extern Buffer::NamedBuffer TerminalHeap;  // "ANSITerm.Heap", of small allocations
extern std::uint32_t BlinkTime;       // tick at which the cursor blinks next

// ---- Life cycle and output ---------------------------------------------------

// The defaults (block cursor, application mode enabled, front clicks
// reported), the event source's state cleared, and the heap found or made;
// TRUE when the heap exists and is a heap of small allocations.
bool Initialize();

// A terminal over the graphics window's platform window, in its font, with
// or without scroll bars (the window's owner makes the bars): tagged,
// nothing pending, cursor enabled at the home cell, keypad application
// mode, rendition 0, resized, geometry computed. Nil for a nil graphics
// window, or when the heap has no room.
TerminalRecord* Create(bool hasScrollBars, Graphics::GraphicsWindow graphicsWindow);

// A terminal without scroll bars over a window made by ModWindow::Create,
// whose root graphics window is given the font first. Nil for any other
// window.
TerminalRecord* Open(Windows::Window* window, int fontNumber, int fontSize);

// A terminal of lines x columns (columns at most 255) without a window: the
// console of the headless program and of tests. The whole grid is the
// scroll region; it starts blank with the cursor home.
TerminalRecord* CreateHeadless(int lines, int columns);

// Stores the owner's two procedures and its data.
void SetEventProcs(TerminalRecord* terminal, EventProc update, EventProc resize, void* userData);

// Draws pending output, takes the font's measures again, recomputes the
// geometry (DECSTBM(1, 32767)) and marks the terminal resized. For the
// editor's console also EditState's window width and height, and the band
// lowered to a third of the height.
void SetSize(TerminalRecord* terminal);

// Hides the cursor, clears the tag, frees the record; the reference
// becomes nil.
void Close(TerminalRecord*& terminal);

// Appends the characters of text (up to its end) to the pending output and
// returns how many were taken; when 256 are pending they are drawn first.
// A tab is stored as '_', every other character below 32 as code 8 (shown
// as the font's missing-glyph box).
int Write(TerminalRecord* terminal, std::span<const char> text);

// Draws the pending output as one run at the cursor and advances the
// cursor column by the pending count (characters left of column 0 are
// skipped, those right of the last column not shown).
void Update(TerminalRecord* terminal);

void GetSize(const TerminalRecord* terminal, int& lines, int& columns);
// Draws pending output; the cursor as 1-based line and column.
void GetCUP(TerminalRecord* terminal, std::int32_t& line, std::int32_t& column);
void GetMouseCUP(const TerminalRecord* terminal, std::int32_t& line, std::int32_t& column);
void BringToFront(TerminalRecord* terminal);

// ---- Control functions ---------------------------------------------------------
// All hide the cursor first (draw pending output, take the cursor off the
// screen) unless said otherwise.

// Cursor line := line - 1, or the region's last line when line is below
// it; column := min(column, columns) - 1.
void CUP(TerminalRecord* terminal, std::int32_t line, std::int32_t column);
// Up n lines, not above line 0.
void CUU(TerminalRecord* terminal, std::int32_t n);
// Down n lines, right n columns (no clipping).
void CUD(TerminalRecord* terminal, std::int32_t n);
void CUF(TerminalRecord* terminal, std::int32_t n);
// Left n columns, not left of column 0.
void CUB(TerminalRecord* terminal, std::int32_t n);
// Down a line, or the region scrolls up a line at its last line.
void IND(TerminalRecord* terminal);
// Up a line, or the region scrolls down a line on line 0.
void RI(TerminalRecord* terminal);
// IND, then column 0.
void NEL(TerminalRecord* terminal);
// The region from the cursor line down scrolls down (IL) or up (DL, which
// also homes the column) by n lines; nothing for n <= 0 or a cursor below
// the region.
void IL(TerminalRecord* terminal, std::int32_t n);
void DL(TerminalRecord* terminal, std::int32_t n);
// The cursor line from the cursor column to the right edge moves right
// (ICH) or left (DCH) by n cells; nothing for n <= 0 or a cursor right of
// the last column.
void ICH(TerminalRecord* terminal, std::int32_t n);
void DCH(TerminalRecord* terminal, std::int32_t n);
// Draws pending output (the cursor stays) and erases n cells from the
// cursor; the cursor counts as not drawn.
void ECH(TerminalRecord* terminal, std::int32_t n);
// Draw pending output and erase the cursor line: from the left edge
// through the cursor cell (ELb), all of it with the column to 0 (ELc),
// from the cursor cell to the right edge (ELe). The cursor counts as not
// drawn.
void ELb(TerminalRecord* terminal);
void ELc(TerminalRecord* terminal);
void ELe(TerminalRecord* terminal);
// ELb and the region's lines above the cursor line; ELe and those below.
void EDb(TerminalRecord* terminal);
void EDe(TerminalRecord* terminal);
// Draws pending output, erases the whole terminal and homes the cursor.
// A resized terminal first takes its window's pending update, its layout
// anew and, with scroll bars, a white window with its grow box and bars.
void EDc(TerminalRecord* terminal);
// Sets the rendition of the text that follows: 0 normal, 1 highlight (the
// system highlight colour behind), 2 inverse; other values mean 0.
void SGR(TerminalRecord* terminal, int rendition);
// The scroll region from line top over bottom lines (cut to the lines that
// fit) and the geometry. Nothing when top <= 0 or top >= bottom.
void DECSTBM(TerminalRecord* terminal, std::int32_t top, std::int32_t bottom);
// Keypad application mode on, off (no cursor change).
void DECKPAM(TerminalRecord* terminal);
void DECKPNM(TerminalRecord* terminal);

// ---- Cursor ------------------------------------------------------------------------
// A block inverts the cursor cell; a bar is a line one pixel left of it.
// A cursor outside the grid, or one not drawn while the application is in
// the background, is not drawn. Every toggle restarts the blink interval.

void CursorOn(TerminalRecord* terminal);    // enable and show
void CursorOff(TerminalRecord* terminal);   // hide and disable
void CursorShow(TerminalRecord* terminal);  // show if enabled
void CursorHide(TerminalRecord* terminal);  // hide, stay enabled
// Toggles when enabled or drawn.
void InvertCursor(TerminalRecord* terminal);
// Toggles when enabled or drawn and BlinkTime has come.
void BlinkCursor(TerminalRecord* terminal);
void DoBlinkCursor(TerminalRecord* terminal);

// ---- Message line ------------------------------------------------------------------
// A message goes to the band of the horizontal scroll bar at the window's
// bottom (terminals with scroll bars and a font of at most 14 points) or to
// the terminal's last line. EndMessage puts the cursor back.

void StartMessage(TerminalRecord* terminal);
void EndMessage(TerminalRecord* terminal);
// Erases the message area; a horizontal bar it covered is drawn again.
void ClearMessage(TerminalRecord* terminal);

// ---- Input (ANSIEvents) ----------------------------------------------------------

// One pass of the event source: TRUE when an event was delivered in code,
// character and modifiers (cleared at the start; they count only with
// TRUE). It waits at most one tick. FALSE for a nil terminal.
bool NextEvent(TerminalRecord* terminal, int& code, char& character, int& modifiers);
// Draws pending output, shows the cursor (when enabled and nothing is
// pushed back) and calls NextEvent until it delivers. A nil terminal, and
// any call once MacEnv::Terminated is set, gives code 0 and character 0 at
// once; so does the program's end while it waits.
void Input(TerminalRecord* terminal, char& character, int& code);
// TRUE when an event waits, one is pushed back, or a click that activated
// a window is still to be delivered.
bool Poll(TerminalRecord* terminal);
// The next NextEvent delivers the last delivered event again.
void ReadAgain(TerminalRecord* terminal);
// Discards every pending platform event; unless the last code delivered
// was an update, also forgets the pushed-back and last event and its
// window.
void Flush();
// The window the last mouse or window event concerned (codes 48 to 58 and
// 60), else nil.
Windows::Window* ActiveWindow();
// The modifier keys held now: 1 command, 2 shift, 4 caps lock, 8 option,
// 16 control.
int KeyDown();

// ---- What the window shows ------------------------------------------------

// text := the characters of 1-based line `line` without trailing blanks
// (empty for a line outside the grid).
void ScreenLine(const TerminalRecord* terminal, int line, std::span<char> text);

// The rendition of a 1-based cell; -1 outside the grid.
int ScreenRendition(const TerminalRecord* terminal, int line, int column);

// The text of a message shown in the scroll-bar band (empty when none).
void ScreenMessage(const TerminalRecord* terminal, std::span<char> text);

// ---- Observation -------------------------------------------------------------
// For tests that prove what a terminal was asked to do and drew: an
// observer sees every control function called on any terminal (with its
// arguments; 0 where it takes none) and every run of characters drawn
// (0-based line and first shown column, the characters shown). Nil: none.

enum class Operation {
  kCUP, kCUU, kCUD, kCUF, kCUB, kIND, kRI, kNEL, kIL, kDL, kICH, kDCH, kECH,
  kELb, kELc, kELe, kEDb, kEDe, kEDc, kSGR, kDECSTBM, kDECKPAM, kDECKPNM,
};

class Observer {
 public:
  virtual ~Observer() = default;
  virtual void Called(const TerminalRecord& terminal, Operation operation, std::int32_t a, std::int32_t b) = 0;
  virtual void Drew(const TerminalRecord& terminal, int line, int column, std::span<const char> run) = 0;
};

void SetObserver(Observer* observer);

}  // namespace ANSITerm
