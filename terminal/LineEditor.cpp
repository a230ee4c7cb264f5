#include "terminal/LineEditor.h"

#include "dialogs/Alert.h"
#include "foundation/Buffer.h"
#include "foundation/BufferText.h"
#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "platform/Events.h"
#include "platform/Port.h"
#include "platform/Shapes.h"
#include "platform/Text.h"
#include "shell/MacEnv.h"
#include "shell/ScrapUtil.h"
#include "terminal/ANSIBase.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace LineEditor {

char InputBuffer[kTextSize] = "";
bool Inserting = true;
int DisplayLength = 79;
std::array<std::array<char, kTextSize>, kHistorySize> Stack{};
int StackIndex = 0;
int LastKeyCode = ANSIBase::KeyConsumed;
char LastKeyChar = 0;
int LastModifiers = 0;
bool Editting = false;
Filter FilterProc = DummyFilter;

void DummyFilter(int&, char&, int&) {}

namespace {

enum class MenuAction { None, Paste, Cut, Copy };

MenuAction pendingAction = MenuAction::None;
bool deleteAll = true;

constexpr int kDefaultDisplayLength = 79;
constexpr char kPasteBufferName[] = "Edit.Paste";

// The line being edited: InputBuffer's first `length` characters.
struct Line {
  int length = 0;
  int position = 0;  // the cursor, 0 .. length
  int maxLength = 0;
  bool selected = false;
  bool finished = false;
  std::array<char, kTextSize> original{};
};
Line line;

// ---- Changes of the text (every variant) -----------------------------------

void TextInsert(char c) {
  std::memmove(InputBuffer + line.position + 1, InputBuffer + line.position, line.length - line.position);
  InputBuffer[line.position++] = c;
  InputBuffer[++line.length] = 0;
}

void TextReplace(char c) { InputBuffer[line.position++] = c; }

void TextErase(int from, int count) {
  std::memmove(InputBuffer + from, InputBuffer + from + count, line.length - from - count);
  line.length -= count;
  InputBuffer[line.length] = 0;
  line.position = from;
}

// The text becomes the characters before the first NUL (at most the
// maximum); the cursor goes to its end.
void TextSet(std::span<const char> text) {
  line.length = std::min(Strings::Length(text), line.maxLength);
  std::copy_n(text.begin(), line.length, InputBuffer);
  InputBuffer[line.length] = 0;
  line.position = line.length;
}

// Inserts as much of the characters at the cursor as the maximum leaves
// room for; the cursor goes after them.
void TextInsertRun(std::span<const char> text) {
  const int count = std::min(Strings::Length(text), line.maxLength - line.length);
  if (count <= 0) return;
  std::memmove(InputBuffer + line.position + count, InputBuffer + line.position, line.length - line.position);
  std::copy_n(text.begin(), count, InputBuffer + line.position);
  line.length += count;
  line.position += count;
  InputBuffer[line.length] = 0;
}

// ---- The variants' actions -------------------------------------------------

// What a variant does for each step of the interpreter: the text change
// and, for the terminal, the drawing of what changed.
struct Actions {
  void (*moveLeft)(int count);
  void (*moveRight)(int count);
  void (*insert)(char c);
  void (*replace)(char c);
  void (*erase)(int from, int count);
  void (*restore)(std::span<const char> text);
  void (*mouse)(int code);
  void (*rewrite)();
};
const Actions* actions = nullptr;

// ---- Terminal display ------------------------------------------------------

// The field on the terminal: where it starts (1-based line, 0-based
// column) and how many of its columns show characters now.
struct TerminalField {
  ANSITerm::TerminalRecord* terminal = nullptr;
  std::int32_t line = 1;
  std::int32_t column = 0;
  int shown = 0;
};
TerminalField field;

int FieldWidth() { return std::max(1, DisplayLength); }

void PlaceTerminalCursor() {
  const int column = std::min(line.position, FieldWidth() - 1);
  ANSITerm::CUP(field.terminal, field.line, field.column + column + 1);
}

// Redraws the field from column k on: a text longer than the field shows
// its first width - 1 characters and its last one in the last column;
// columns that showed characters before and show none now are blanked.
void ShowFrom(int k) {
  const int width = FieldWidth();
  const int count = std::min(line.length, width);
  char shown[kTextSize + 1];
  std::copy_n(InputBuffer, count, shown);
  if (line.length > width - 1 && count > 0) shown[count - 1] = InputBuffer[line.length - 1];
  const int end = std::max(count, field.shown);
  std::fill(shown + count, shown + end, ' ');
  k = std::clamp(k, 0, width - 1);
  if (k < end) {
    ANSITerm::CUP(field.terminal, field.line, field.column + k + 1);
    ANSITerm::Write(field.terminal, std::span<const char>(shown + k, end - k));
    ANSITerm::Update(field.terminal);
  }
  field.shown = count;
  PlaceTerminalCursor();
}

const Actions kTerminalActions = {
    [](int count) {
      line.position -= count;
      PlaceTerminalCursor();
    },
    [](int count) {
      line.position += count;
      PlaceTerminalCursor();
    },
    [](char c) {
      TextInsert(c);
      ShowFrom(line.position - 1);
    },
    [](char c) {
      TextReplace(c);
      ShowFrom(line.position - 1);
    },
    [](int from, int count) {
      TextErase(from, count);
      ShowFrom(from);
    },
    [](std::span<const char> text) {
      TextSet(text);
      ShowFrom(0);
    },
    [](int) {},
    [] { ShowFrom(0); },
};

// ---- Graphics display ------------------------------------------------------

struct GraphicsField {
  Graphics::GraphicsWindow window = nullptr;
  double x = 0;
  double y = 0;
  double width = 0;
  double textHeight = 0;  // negative on a world whose y grows downwards
  Geometry::Rect clip;
  bool cursorVisible = false;
  std::uint32_t lastClickTick = 0;
  bool clickPending = false;  // a double click may still follow
  Geometry::Point lastClick;
};
GraphicsField graphics;

constexpr int kDoubleClickSlop = 3;
constexpr int kMinimumShown = 3;

double WidthOf(const char* text, int count) {
  return Graphics::TextWidth(graphics.window, std::span<const char>(text, count));
}

// The longest prefix of the text that fits the field (at least three
// characters, or the whole text when shorter).
int FittingPrefix() {
  if (WidthOf(InputBuffer, line.length) <= graphics.width) return line.length;
  int low = std::min(kMinimumShown, line.length);
  int high = line.length;  // does not fit
  while (high - low > 1) {
    const int mid = (low + high) / 2;
    (WidthOf(InputBuffer, mid) <= graphics.width ? low : high) = mid;
  }
  return low;
}

Geometry::Rect PixelRect(double x1, double y1, double x2, double y2) {
  Geometry::Point a;
  Geometry::Point b;
  Graphics::WindowToLocal(graphics.window, x1, y1, a.h, a.v);
  Graphics::WindowToLocal(graphics.window, x2, y2, b.h, b.v);
  return Geometry::SetRect(std::min(a.h, b.h), std::min(a.v, b.v), std::max(a.h, b.h) + 1,
                           std::max(a.v, b.v) + 1);
}

void PixelLine(double x1, double y1, double x2, double y2) {
  int h1 = 0;
  int v1 = 0;
  int h2 = 0;
  int v2 = 0;
  Graphics::WindowToLocal(graphics.window, x1, y1, h1, v1);
  Graphics::WindowToLocal(graphics.window, x2, y2, h2, v2);
  Graphics::DrawLine(graphics.window, h1, v1, h2, v2);
}

// Selected text is drawn on the highlight colour, or inverted where that
// colour is too dark to read black on or the screen has no colours.
void DrawHighlight(std::span<const char> shown) {
  const bool invert = Graphics::ColorLessThanThreshold(Graphics::HiliteColor) ||
                      Graphics::GetBitplanes(graphics.window) < 2;
  const double h = graphics.textHeight;
  Port::RGBForeColor(invert ? Graphics::Black : Graphics::HiliteColor);
  Shapes::PaintRect(PixelRect(graphics.x, graphics.y - 0.25 * h,
                              graphics.x + WidthOf(shown.data(), static_cast<int>(shown.size())),
                              graphics.y + h));
  Port::RGBForeColor(invert ? Graphics::White : Graphics::Black);
}

void DrawCursor(std::span<const char> shown, bool fits) {
  const double h = graphics.textHeight;
  const double x = graphics.x;
  const double y = graphics.y;
  Port::RGBForeColor(Graphics::Black);
  if (fits) {
    double dx = 0;
    double dy = 0;
    Graphics::GetResolution(graphics.window, dx, dy);
    double cx = x + WidthOf(InputBuffer, line.position);
    if (line.position < line.length) cx -= dx;
    PixelLine(cx, y - 0.1 * h, cx, y + 0.9 * h);
    return;
  }
  const int count = static_cast<int>(shown.size());
  const char atCursor = line.position < line.length ? InputBuffer[line.position] : ' ';
  double ux = x + WidthOf(shown.data(), std::min(line.position, count));
  double width = WidthOf(&atCursor, 1);
  if (ux + width > x + graphics.width) {
    ux = x + WidthOf(shown.data(), count - 1);
    width = WidthOf(shown.data() + count - 1, 1);
  }
  PixelLine(ux, y - 0.1 * h, ux + width, y - 0.1 * h);
}

// Erases the field and draws the displayed part of the text, its highlight
// and the cursor.
void DrawField() {
  const Graphics::Bracket drawing(graphics.window);
  if (!drawing.Began()) return;
  const Region::Rgn savedClip = Port::GetClip();
  Port::ClipRect(graphics.clip);
  const double h = graphics.textHeight;
  Shapes::EraseRect(PixelRect(graphics.x, graphics.y - 0.25 * h, graphics.x + graphics.width, graphics.y + h));
  const int count = FittingPrefix();
  const bool fits = count == line.length;
  char shown[kTextSize];
  std::copy_n(InputBuffer, count, shown);
  // Past the shown part, its last character gives way to the one the cursor
  // follows, so that typing at the end stays visible.
  if (!fits && line.position >= count && line.position > 0) shown[count - 1] = InputBuffer[line.position - 1];
  const std::span<const char> text(shown, count);
  Port::TextMode(Port::kSrcOr);
  if (line.selected) {
    DrawHighlight(text);
  } else {
    Port::RGBForeColor(Graphics::Black);
  }
  Graphics::Text(graphics.window, graphics.x, graphics.y, text);
  if (graphics.cursorVisible) DrawCursor(text, fits);
  Port::TextMode(graphics.window->textMode);
  Port::RGBForeColor(graphics.window->foreground);
  Port::SetClip(savedClip);
}

bool InsideField(double x, double y) {
  const double y1 = std::min(graphics.y, graphics.y + graphics.textHeight);
  const double y2 = std::max(graphics.y, graphics.y + graphics.textHeight);
  return x >= graphics.x && x <= graphics.x + graphics.width && y >= y1 && y <= y2;
}

// The character boundary nearest to x: the number of characters whose
// middle lies left of it.
int BoundaryAt(double x) {
  int k = 0;
  double left = graphics.x;
  while (k < line.length) {
    const double right = graphics.x + WidthOf(InputBuffer, k + 1);
    if (x < (left + right) / 2) break;
    left = right;
    ++k;
  }
  return k;
}

void GraphicsMouse(int) {
  const EventQueue::EventRecord& e = MacEnv::theEvent;
  const bool doubleClick = graphics.clickPending && e.when - graphics.lastClickTick <= Events::GetDblTime() &&
                           std::abs(e.where.h - graphics.lastClick.h) <= kDoubleClickSlop &&
                           std::abs(e.where.v - graphics.lastClick.v) <= kDoubleClickSlop;
  if (doubleClick) {
    graphics.clickPending = false;
    line.selected = true;
    return;
  }
  graphics.clickPending = true;
  graphics.lastClickTick = e.when;
  graphics.lastClick = e.where;
  double x = 0;
  double y = 0;
  Graphics::GlobalToWindow(graphics.window, e.where.h, e.where.v, x, y);
  if (!InsideField(x, y)) {
    line.finished = true;
    ANSITerm::ReadAgain(EditState::Console);
    return;
  }
  line.position = BoundaryAt(x);
  line.selected = false;
}

const Actions kGraphicsActions = {
    [](int count) { line.position -= count; },
    [](int count) { line.position += count; },
    TextInsert,
    TextReplace,
    TextErase,
    TextSet,
    GraphicsMouse,
    [] {},
};

// ---- The interpreter -------------------------------------------------------

void Finish() {
  line.finished = true;
  std::copy_n(InputBuffer, kTextSize, Stack[StackIndex].begin());
  StackIndex = (StackIndex + 1) % kHistorySize;
}

void ShowHistory(int step) {
  std::copy_n(InputBuffer, kTextSize, Stack[StackIndex].begin());
  StackIndex = (StackIndex + step + kHistorySize) % kHistorySize;
  actions->restore(Stack[StackIndex]);
}

// Control-J: back over blanks, then over the word before them.
void DeleteWordLeft() {
  int start = line.position;
  while (start > 0 && InputBuffer[start - 1] == ' ') --start;
  while (start > 0 && InputBuffer[start - 1] != ' ') --start;
  if (start < line.position) actions->erase(start, line.position - start);
}

void TypeCharacter(char c) {
  if (line.selected) {
    line.selected = false;
    const char text[2] = {c, 0};
    actions->restore(std::span<const char>(text));
  } else if (Inserting || line.position == line.length) {
    if (line.length < line.maxLength) {
      actions->insert(c);
    } else {
      Alert::Beep();
    }
  } else {
    actions->replace(c);
  }
}

void ControlCharacter(char c) {
  line.selected = false;
  switch (c) {
    case 1: Inserting = !Inserting; break;
    case 4:
      if (line.position > 0) actions->moveLeft(1);
      break;
    case 5:
      if (line.position < line.length) actions->moveRight(line.length - line.position);
      break;
    case 6:
      if (line.position < line.length) actions->moveRight(1);
      break;
    case 8:
      if (line.position > 0) actions->moveLeft(line.position);
      break;
    case 9:
    case 13: Finish(); break;
    case 10: DeleteWordLeft(); break;
    case 21:
    case 27:
      if (line.position > 0) actions->erase(0, line.position);
      break;
    case 23: actions->rewrite(); break;
    case 26: actions->restore(line.original); break;
    default: break;
  }
}

void DeleteKey(bool left) {
  if (line.selected && deleteAll) {
    line.selected = false;
    if (line.length > 0) actions->erase(0, line.length);
    return;
  }
  line.selected = false;
  if (left && line.position > 0) actions->erase(line.position - 1, 1);
  if (!left && line.position < line.length) actions->erase(line.position, 1);
}

void Paste() {
  char first[ScrapUtil::kLineLimit + 1] = "";
  BufferText::Get(ScrapUtil::GetPasteBuffer(), 1, first);
  if (line.selected) {
    line.selected = false;
    actions->restore(std::span<const char>(first));
    return;
  }
  TextInsertRun(first);
  actions->rewrite();
}

// The whole text becomes the paste buffer's only line and goes to the
// clipboard.
void CopyToPasteBuffer() {
  BufferText::TextBuffer paste = Buffer::Create(kPasteBufferName, Buffer::kText);
  if (paste == nullptr) return;
  BufferText::Append(paste, InputBuffer);
  ScrapUtil::PutPasteBuffer();
}

void RunMenuAction(MenuAction action) {
  if (action == MenuAction::Paste) {
    Paste();
    return;
  }
  if (!line.selected) return;
  line.selected = false;
  CopyToPasteBuffer();
  if (action == MenuAction::Cut && line.length > 0) actions->erase(0, line.length);
}

void Interpret(int code, char character) {
  if (pendingAction != MenuAction::None) {
    const MenuAction action = pendingAction;
    pendingAction = MenuAction::None;
    RunMenuAction(action);
    return;
  }
  if (code == ANSIBase::KeyCharacter) {
    if (static_cast<unsigned char>(character) >= 32) {
      TypeCharacter(character);
    } else {
      ControlCharacter(character);
    }
  } else if (code == ANSIBase::KeyCursorUp || code == ANSIBase::KeyCursorDown) {
    ShowHistory(code == ANSIBase::KeyCursorUp ? -1 : 1);
  } else if (code == ANSIBase::KeyCursorLeft) {
    if (line.selected) {
      line.selected = false;
      if (line.position > 0) actions->moveLeft(line.position);
    } else if (line.position > 0) {
      actions->moveLeft(1);
    }
  } else if (code == ANSIBase::KeyCursorRight) {
    line.selected = false;
    if (line.position < line.length) actions->moveRight(1);
  } else if (code >= 7 && code <= 24) {
    Finish();
  } else if ((code >= 25 && code <= 39) || (code >= ANSIBase::KeyActivate && code <= ANSIBase::KeyOSEvent)) {
    Finish();
    ANSITerm::ReadAgain(EditState::Console);
  } else if (code == ANSIBase::KeyDeleteLeft || code == ANSIBase::KeyDeleteRight) {
    DeleteKey(code == ANSIBase::KeyDeleteLeft);
  } else if (code == ANSIBase::KeyMouse || code == ANSIBase::KeyDoubleMouse) {
    actions->mouse(code);
  }
}

// ---- The loops -------------------------------------------------------------

void Begin(std::span<const char> text, int maxLength, bool selected, const Actions& table) {
  Editting = true;
  actions = &table;
  line = Line{};
  line.maxLength = std::clamp(maxLength, 0, kTextSize - 1);
  line.selected = selected;
  TextSet(text);
  std::copy_n(InputBuffer, kTextSize, line.original.begin());
}

// The text goes back to the caller's array (cut to its capacity).
void End(std::span<char> text, bool keep) {
  if (keep) Strings::Assign(text, InputBuffer);
  line.selected = false;
  Editting = false;
}

// One poll for an event and the filter; the event in the Last variables.
// FALSE when there is nothing to interpret.
bool Poll(bool editorKeys) {
  int code = ANSIBase::KeyNone;
  char character = 0;
  int modifiers = 0;
  if (editorKeys) {
    EditDisplay::InputKey(code, character, modifiers);
  } else {
    ANSITerm::NextEvent(EditState::Console, code, character, modifiers);
  }
  FilterProc(code, character, modifiers);
  LastKeyCode = code;
  LastKeyChar = character;
  LastModifiers = modifiers;
  return code > ANSIBase::KeyConsumed;
}

// No input will come any more: the program ends, or a script ran out.
bool InputGone() { return MacEnv::Terminated || Events::InputEnded() || EditState::Console == nullptr; }

void EditOnTerminal(std::span<char> text, bool selected, bool clearsAll, bool editorKeys) {
  Port::GrafPort* const port = Port::GetPort();
  deleteAll = clearsAll;
  Begin(text, static_cast<int>(text.size()) - 1, selected, kTerminalActions);
  field = TerminalField{};
  field.terminal = EditState::Console;
  std::int32_t column = 1;
  ANSITerm::GetCUP(field.terminal, field.line, column);
  field.column = column - 1;
  ShowFrom(0);
  if (editorKeys) ANSITerm::CursorOn(field.terminal);
  bool keep = true;
  while (!line.finished) {
    if (!Poll(editorKeys)) {
      if (InputGone()) break;
      continue;
    }
    if (editorKeys && LastKeyCode > ANSIBase::KeyDeleteRight) {
      keep = false;
      break;
    }
    Interpret(LastKeyCode, LastKeyChar);
  }
  End(text, keep);
  Port::SetPort(port);
}

void EditInGraphics(Graphics::GraphicsWindow window, double x, double y, double width, std::span<char> text,
                    int maxLength, const Geometry::Rect& clipRect, bool selected) {
  Port::GrafPort* const port = Port::GetPort();
  deleteAll = true;
  Begin(text, std::min<int>(maxLength, static_cast<int>(text.size()) - 1), selected, kGraphicsActions);
  graphics = GraphicsField{};
  graphics.window = window;
  graphics.x = x;
  graphics.y = y;
  graphics.width = width;
  graphics.clip = clipRect;
  double x1 = 0;
  double y1 = 0;
  double x2 = 0;
  double y2 = 0;
  Graphics::GetScaling(window, x1, y1, x2, y2);
  graphics.textHeight = Graphics::TextHeight(window) * (y1 > y2 ? -1 : 1);
  const std::uint32_t blink = std::max<std::uint32_t>(1, Events::GetCaretTime());
  bool gone = false;
  while (!line.finished && !gone) {
    graphics.cursorVisible = true;
    DrawField();
    std::uint32_t nextBlink = Platform::Tick_Count() + blink;
    bool got = false;
    while (!(got = Poll(false)) && !(gone = InputGone())) {
      if (static_cast<std::int32_t>(Platform::Tick_Count() - nextBlink) < 0) continue;
      graphics.cursorVisible = !graphics.cursorVisible;
      DrawField();
      nextBlink += blink;
    }
    if (got) Interpret(LastKeyCode, LastKeyChar);
  }
  graphics.cursorVisible = false;
  line.selected = false;
  DrawField();
  End(text, true);
  Port::SetPort(port);
}

}  // namespace

void InitModule() {
  Inserting = true;
  deleteAll = true;
  DisplayLength = kDefaultDisplayLength;
  for (auto& entry : Stack) entry.fill(0);
  StackIndex = 0;
  LastKeyCode = ANSIBase::KeyConsumed;
  LastKeyChar = 0;
  LastModifiers = 0;
  pendingAction = MenuAction::None;
  FilterProc = DummyFilter;
  Editting = false;
}

void ReadString(std::span<char> text) { EditOnTerminal(text, false, true, false); }
void ReadClearString(std::span<char> text) { EditOnTerminal(text, true, true, false); }
void ReadEditorString(std::span<char> text) { EditOnTerminal(text, true, false, true); }

void ReadGraphicsString(Graphics::GraphicsWindow window, double x, double y, double width, std::span<char> text,
                        int maxLength, const Geometry::Rect& clipRect) {
  EditInGraphics(window, x, y, width, text, maxLength, clipRect, false);
}

void ReadClearGraphicsString(Graphics::GraphicsWindow window, double x, double y, double width,
                             std::span<char> text, int maxLength, const Geometry::Rect& clipRect) {
  EditInGraphics(window, x, y, width, text, maxLength, clipRect, true);
}

void DoCut() { pendingAction = MenuAction::Cut; }
void DoCopy() { pendingAction = MenuAction::Copy; }
void DoPaste() { pendingAction = MenuAction::Paste; }

}  // namespace LineEditor
