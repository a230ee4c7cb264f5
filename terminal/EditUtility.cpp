#include "terminal/EditUtility.h"

#include "foundation/Buffer.h"
#include "foundation/Strings.h"
#include "platform/Controls.h"
#include "platform/Port.h"
#include "platform/Region.h"
#include "shell/Mouse.h"
#include "shell/ScrollBars.h"
#include "shell/Shell.h"
#include "terminal/EditDisplay.h"
#include "terminal/EditState.h"
#include "terminal/LiveHandles.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace EditUtility {

std::int32_t OpenWindows = 1;
ModWindow::WindowParameters DefaultWindowDescr;

namespace {

using BufferText::TextBuffer;
using EditState::LineText;

// ---- The state a buffer keeps in its tag field -------------------------------

struct BufferWindowState {
  LiveHandles::Handle window;  // the window's root graphics window
  std::array<char, 8> tag{};   // "EDIT" once a window was made for it
  LiveHandles::Handle terminal;
  ModWindow::WindowParameters parameters;
  std::int32_t cursorLine = 0;
  std::int32_t cursorColumn = 0;
  std::int32_t desiredColumn = 0;
  std::int32_t selectLine = 0;
  std::int32_t selectColumn = 0;
  std::int32_t firstLine = 0;  // 0 or less: never saved
  std::int32_t firstColumn = 0;
  std::int32_t windowHeight = 0;
  std::int32_t windowWidth = 0;
  std::int32_t bandSize = 0;
  bool selectActive = false;
};

constexpr std::array<char, 8> kEditTag = {'E', 'D', 'I', 'T', 0, 0, 0, 0};

using TagImage = std::array<std::byte, Buffer::kTagSize>;

// The fields in their stored order and sizes (big-endian integers); one
// list serves reading and writing.
template <typename Walker>
void WalkState(Walker& w, BufferWindowState& s) {
  w.Field(s.window.slot);
  w.Field(s.window.generation);
  for (char& c : s.tag) w.Field(c);
  w.Field(s.terminal.slot);
  w.Field(s.terminal.generation);
  w.Field(s.parameters.top);
  w.Field(s.parameters.left);
  w.Field(s.parameters.bottom);
  w.Field(s.parameters.right);
  w.Field(s.parameters.fontNumber);
  w.Field(s.parameters.fontSize);
  for (std::int32_t* field : {&s.cursorLine, &s.cursorColumn, &s.desiredColumn, &s.selectLine, &s.selectColumn,
                              &s.firstLine, &s.firstColumn, &s.windowHeight, &s.windowWidth, &s.bandSize}) {
    w.Field(*field);
  }
  w.Field(s.selectActive);
}

constexpr int kStoredSize = 8 + 8 + 8 + 6 * 2 + 10 * 4 + 1;
static_assert(kStoredSize <= Buffer::kTagSize, "the window state must fit the tag field");

struct ImageWriter {
  TagImage& image;
  std::size_t offset = 0;
  template <typename T>
  void Field(T value) {
    using U = std::make_unsigned_t<std::conditional_t<std::is_same_v<T, bool>, unsigned char, T>>;
    const U bits = static_cast<U>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      image[offset + i] = static_cast<std::byte>(bits >> (8 * (sizeof(T) - 1 - i)));
    }
    offset += sizeof(T);
  }
};

struct ImageReader {
  const TagImage& image;
  std::size_t offset = 0;
  template <typename T>
  void Field(T& value) {
    using U = std::make_unsigned_t<std::conditional_t<std::is_same_v<T, bool>, unsigned char, T>>;
    U bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      bits = static_cast<U>((bits << 8) | std::to_integer<U>(image[offset + i]));
    }
    value = static_cast<T>(bits);
    offset += sizeof(T);
  }
};

BufferWindowState ReadState(TextBuffer buffer) {
  TagImage image{};
  Buffer::GetTagField(buffer, image);
  BufferWindowState state;
  ImageReader reader{image};
  WalkState(reader, state);
  return state;
}

void WriteState(TextBuffer buffer, BufferWindowState& state) {
  TagImage image{};
  Buffer::GetTagField(buffer, image);
  ImageWriter writer{image};
  WalkState(writer, state);
  Buffer::SetTagField(buffer, image);
}

// The window and terminal of a state whose window is open, else nil.
struct LiveWindow {
  Graphics::GraphicsWindow window = nullptr;
  ANSITerm::TerminalRecord* terminal = nullptr;
  explicit operator bool() const { return window != nullptr && terminal != nullptr; }
};

LiveWindow LiveWindowOf(const BufferWindowState& state) {
  LiveWindow live{static_cast<Graphics::GraphicsWindow>(LiveHandles::Resolve(state.window)),
                  static_cast<ANSITerm::TerminalRecord*>(LiveHandles::Resolve(state.terminal))};
  return live ? live : LiveWindow{};
}

void ForgetWindow(BufferWindowState& state) {
  LiveHandles::Release(state.window);
  LiveHandles::Release(state.terminal);
  state.window = {};
  state.terminal = {};
}

// ---- Loading and saving the editor's state ----------------------------------

void UseConsoleOf(const LiveWindow& live) {
  EditState::Console = live ? live.terminal : Shell::RootTerminal;
  EditState::Window = live ? live.window : Shell::RootWindow;
}

// The buffer becomes the edit buffer with the state it had (a buffer never
// edited starts at its top with the cursor at (1, 1)).
void SetState(TextBuffer buffer) {
  BufferWindowState s = ReadState(buffer);
  s.cursorLine = std::clamp(s.cursorLine, 1, std::max(1, BufferText::RecordCount(buffer)));
  s.firstColumn = std::max(s.firstColumn, 0);
  if (s.bandSize <= 0) s.bandSize = EditState::WindowBandSize;
  EditState::EditBuffer = buffer;
  UseConsoleOf(LiveWindowOf(s));
  EditState::WindowHeight = s.windowHeight;
  EditState::WindowWidth = s.windowWidth;
  EditState::WindowBandSize = s.bandSize;
  if (buffer == nullptr || s.firstLine <= 0) {
    EditState::CursorLine = 1;
    EditState::CursorColumn = 1;
    EditState::DesiredColumn = 1;
    EditState::Forward = true;
    EditState::FirstLine = 1;
    EditState::FirstColumn = 0;
    EditState::SelectActive = false;
    return;
  }
  EditState::CursorLine = s.cursorLine;
  EditState::CursorColumn = s.cursorColumn;
  EditState::DesiredColumn = s.desiredColumn;
  EditState::SelectActive = s.selectActive;
  EditState::SelectLine = s.selectLine;
  EditState::SelectColumn = s.selectColumn;
  EditState::FirstLine = s.firstLine;
  EditState::FirstColumn = s.firstColumn;
}

void SaveTargetState(TextBuffer buffer) {
  if (buffer == nullptr) return;
  BufferWindowState s = ReadState(buffer);
  s.cursorLine = EditState::CursorLine;
  s.cursorColumn = EditState::CursorColumn;
  s.desiredColumn = EditState::DesiredColumn;
  s.selectLine = EditState::SelectLine;
  s.selectColumn = EditState::SelectColumn;
  s.firstLine = EditState::FirstLine;
  s.firstColumn = EditState::FirstColumn;
  s.windowHeight = EditState::WindowHeight;
  s.windowWidth = EditState::WindowWidth;
  s.bandSize = EditState::WindowBandSize;
  s.selectActive = EditState::SelectActive;
  WriteState(buffer, s);
}

std::int32_t LastFirstLine() {
  return std::max(1, BufferText::RecordCount(EditState::EditBuffer) - EditState::WindowHeight + 1);
}

// The edit buffer's last lines, drawn behind a clip of one pixel so that
// the jump does not flash.
void ShowEnd() {
  Port::GrafPort* const port = Port::GetPort();
  const Region::Rgn clip = Port::GetClip();
  Port::ClipRect(Geometry::SetRect(0, 0, 1, 1));
  const std::int32_t last = BufferText::RecordCount(EditState::EditBuffer);
  EditState::CursorLine = std::max(1, last);
  EditState::CursorColumn = std::max(1, BufferText::RecordLength(EditState::EditBuffer, last));
  EditState::FirstLine = LastFirstLine();
  EditDisplay::NewDisplay();
  EditDisplay::InsertionPoint();
  Port::SetPort(port);
  Port::SetClip(clip);
}

// ---- Windows ---------------------------------------------------------------

void WindowTitle(TextBuffer buffer, std::span<char> title) {
  if (buffer == Shell::List) {
    Strings::Assign(title, Shell::ListTitle);
  } else {
    Buffer::GetName(buffer, title);
  }
}

TextBuffer BufferOf(ANSITerm::TerminalRecord* terminal) {
  return terminal == nullptr ? nullptr : static_cast<TextBuffer>(terminal->userData);
}

void UpdateProc(ANSITerm::TerminalRecord* terminal) { UpdateBuffer(BufferOf(terminal), false); }

// The console window shows a log that grows at its end: redrawn, it shows
// the end rather than the oldest lines.
void ConsoleUpdateProc(ANSITerm::TerminalRecord* terminal) { UpdateBuffer(BufferOf(terminal), true); }

void ResizeProc(ANSITerm::TerminalRecord* terminal) {
  SetupBuffer(BufferOf(terminal), true, false, true);
  EditDisplay::ResetCursorPosition();
}

bool DoCreateEditTerminal(TextBuffer buffer, int resourceID, ModWindow::WindowParameters& parameters, int kind,
                          bool front, bool closeBox, bool visible, ANSITerm::EventProc update,
                          Graphics::GraphicsWindow& window, ANSITerm::TerminalRecord*& terminal) {
  terminal = nullptr;
  char title[Buffer::kNameSize] = "";
  WindowTitle(buffer, title);
  window = ModWindow::Create(resourceID, parameters, kind, title, front, closeBox, visible);
  if (window == nullptr) return false;
  terminal = ANSITerm::Create(true, window);
  if (terminal == nullptr) {
    ModWindow::Remove(window);
    return false;
  }
  ScrollBars::Create(terminal);
  Windows::SetRefCon(ModWindow::GetMacWindow(window), terminal);
  ANSITerm::SetEventProcs(terminal, update, ResizeProc, buffer);
  if (front) ScrollBars::Show(terminal, true);
  return true;
}

ModWindow::WindowParameters Staggered(const ModWindow::WindowParameters& stored) {
  OpenWindows = std::max(OpenWindows, 1);
  ModWindow::WindowParameters p = stored;
  if (p.top == 0) {
    const int d = kStagger * OpenWindows;
    p = DefaultWindowDescr;
    p.top = static_cast<std::int16_t>(p.top + d);
    p.left = static_cast<std::int16_t>(p.left + d);
    p.bottom = static_cast<std::int16_t>(p.bottom + d);
    p.right = static_cast<std::int16_t>(p.right + d);
  }
  ModWindow::ClipToActiveScreen(p);
  return p;
}

// ---- Text ----------------------------------------------------------------------

std::int32_t GetLine(std::int32_t n, LineText& text) {
  return std::min(BufferText::Get(EditState::EditBuffer, n, text), EditState::kLineLength);
}

// The first occurrence of text in the line at or after index `from`, or -1.
// Searching runs over every line of a buffer of up to 10^5 lines, so it
// scans for the text's first character rather than trying each place.
int SearchLine(std::string_view line, std::string_view text, int from) {
  if (from < 0 || from > static_cast<int>(line.size())) return -1;
  const std::size_t p = line.find(text, static_cast<std::size_t>(from));
  return p == std::string_view::npos ? -1 : static_cast<int>(p);
}

// The last occurrence of text in the line, or -1.
int LastOccurrence(std::string_view line, std::string_view text) {
  const std::size_t p = line.rfind(text);
  return p == std::string_view::npos ? -1 : static_cast<int>(p);
}

bool FindForward(std::string_view text) {
  const std::int32_t count = BufferText::RecordCount(EditState::EditBuffer);
  LineText line = "";
  std::int32_t start = EditState::CursorColumn;
  for (std::int32_t n = EditState::CursorLine; n <= count; ++n, start = 0) {
    const int length = GetLine(n, line);
    const int p = SearchLine(std::string_view(line, static_cast<std::size_t>(length)), text, start);
    if (p >= 0) {
      EditDisplay::MoveCursor(n, p + 1);
      return true;
    }
  }
  return false;
}

bool FindBackward(std::string_view text) {
  LineText line = "";
  for (std::int32_t n = EditState::CursorLine; n >= 1; --n) {
    int length = GetLine(n, line);
    if (n == EditState::CursorLine) length = std::clamp(EditState::CursorColumn - 1, 0, length);
    const int p = LastOccurrence(std::string_view(line, static_cast<std::size_t>(length)), text);
    if (p >= 0) {
      EditDisplay::MoveCursor(n, p + 1);
      return true;
    }
  }
  return false;
}

// The column after `inserted` characters of a line that was cut to the line
// length: the cursor never lands beyond the end of what was kept.
std::int32_t EndOfInsert(int inserted, std::span<const char> line) {
  return std::min(inserted, Strings::Length(line)) + 1;
}

// line := head + middle + tail, cut to the line length.
void Join(LineText& line, std::span<const char> head, std::span<const char> middle, std::span<const char> tail) {
  LineText joined = "";
  Strings::Assign(joined, head);
  Strings::Concat(joined, middle);
  Strings::Concat(joined, tail);
  Strings::Assign(line, joined);
}

}  // namespace

void Initialize() {
  DefaultWindowDescr = ModWindow::WindowParameters{46, 20, 472, 536, static_cast<std::int16_t>(Graphics::Courier),
                                                   10};
  OpenWindows = 1;
}

// ---- Buffers and windows -------------------------------------------------------

void SetupBuffer(TextBuffer buffer, bool redraw, bool toEnd, bool toFront) {
  if (buffer == nullptr) return;
  if (EditState::EditBuffer != nullptr) {
    SaveEditState();
    EditState::MessageActive = false;
    const bool lineNumbers = EditState::ShowLineNumbers;
    EditState::ShowLineNumbers = false;
    EditDisplay::RestoreLastLine();
    EditState::ShowLineNumbers = lineNumbers;
  }
  EditState::MessageActive = false;
  SetState(buffer);
  if (toFront) ModWindow::BringToFront(EditState::Window);
  char title[Buffer::kNameSize] = "";
  WindowTitle(buffer, title);
  ModWindow::SetTitle(EditState::Window, title);
  ANSITerm::SetSize(EditState::Console);
  if (toEnd) {
    ShowEnd();
  } else if (redraw) {
    EditDisplay::NewDisplay();
  }
  ScrollBars::Show(EditState::Console, toFront);
}

void UpdateBuffer(TextBuffer buffer, bool toEnd) {
  if (buffer == nullptr) return;
  SaveEditState();
  const TextBuffer editBuffer = EditState::EditBuffer;
  const bool message = EditState::MessageActive;
  EditState::MessageActive = false;
  Port::GrafPort* const port = Port::GetPort();
  SetState(buffer);
  ANSITerm::SetSize(EditState::Console);
  if (toEnd) EditState::FirstLine = LastFirstLine();
  EditDisplay::NewDisplay();
  if (message && buffer == editBuffer) EditDisplay::Message(EditState::MessageText);
  SaveTargetState(buffer);
  SetState(editBuffer);
  EditState::MessageActive = message;
  Port::SetPort(port);
}

void SaveEditState() { SaveTargetState(EditState::EditBuffer); }

bool BufferWindowIsOpen(TextBuffer buffer) {
  return Buffer::GetOrganization(buffer) == Buffer::kText && static_cast<bool>(LiveWindowOf(ReadState(buffer)));
}

bool CreateBufferWindow(TextBuffer buffer, const ModWindow::WindowParameters& rectangle, int windowKind,
                        bool staggered, bool toFront, bool visible) {
  if (buffer == nullptr) return false;
  EditState::MessageActive = false;
  ANSITerm::CursorHide(EditState::Console);
  SaveEditState();
  BufferWindowState s = ReadState(buffer);
  if (const LiveWindow live = LiveWindowOf(s)) {
    UseConsoleOf(live);
    return false;
  }
  s.parameters = staggered ? Staggered(s.parameters) : rectangle;
  WriteState(buffer, s);
  Graphics::GraphicsWindow window = nullptr;
  ANSITerm::TerminalRecord* terminal = nullptr;
  if (!DoCreateEditTerminal(buffer, 0, s.parameters, windowKind, toFront, true, visible, UpdateProc, window,
                            terminal)) {
    return false;
  }
  s.tag = kEditTag;
  s.window = LiveHandles::Register(window);
  s.terminal = LiveHandles::Register(terminal);
  WriteState(buffer, s);
  if (buffer == Shell::List) {
    EditState::ListConsole = terminal;
  } else {
    ++OpenWindows;
  }
  return true;
}

bool OpenBufferWindow(TextBuffer buffer, bool toFront) {
  return CreateBufferWindow(buffer, ModWindow::WindowParameters{}, kBufferWindowKind, true, toFront, true);
}

bool CloseBufferWindow(TextBuffer buffer) {
  BufferWindowState s = ReadState(buffer);
  LiveWindow live = LiveWindowOf(s);
  if (!live) return false;
  // The editor must not go on drawing on a terminal that is gone.
  if (EditState::Console == live.terminal) UseConsoleOf(LiveWindow{});
  if (live.terminal != Shell::RootTerminal) ANSITerm::Close(live.terminal);
  if (live.window != Shell::RootWindow) {
    std::fill_n(s.tag.begin(), 4, 0);
    ModWindow::Remove(live.window);
  }
  if (buffer == Shell::List) EditState::ListConsole = nullptr;
  ForgetWindow(s);
  --OpenWindows;
  WriteState(buffer, s);
  return true;
}

TextBuffer CloseFrontWindow() {
  TextBuffer buffer = nullptr;
  ANSITerm::TerminalRecord* terminal = nullptr;
  if (!MacWindowToBufferHandle(Windows::FrontWindow(), buffer, terminal)) return nullptr;
  EditState::MessageActive = false;
  SaveEditState();
  return CloseBufferWindow(buffer) ? buffer : nullptr;
}

bool CreateEditTerminal(TextBuffer buffer, int resourceID, ModWindow::WindowParameters& parameters, int definition,
                        bool front, bool closeBox, bool visible, Graphics::GraphicsWindow& window,
                        ANSITerm::TerminalRecord*& terminal) {
  window = nullptr;
  return DoCreateEditTerminal(buffer, resourceID, parameters, definition, front, closeBox, visible,
                              ConsoleUpdateProc, window, terminal);
}

void SaveWindowSize(TextBuffer buffer, const Geometry::Rect& rectangle) {
  if (buffer == nullptr) return;
  BufferWindowState s = ReadState(buffer);
  s.parameters.top = static_cast<std::int16_t>(rectangle.top);
  s.parameters.left = static_cast<std::int16_t>(rectangle.left);
  s.parameters.bottom = static_cast<std::int16_t>(rectangle.bottom);
  s.parameters.right = static_cast<std::int16_t>(rectangle.right);
  WriteState(buffer, s);
}

bool SaveBufferState(TextBuffer buffer) {
  BufferWindowState s = ReadState(buffer);
  const LiveWindow live = LiveWindowOf(s);
  if (!live) return false;
  ModWindow::GetWindowParameters(live.window, s.parameters);
  WriteState(buffer, s);
  if (buffer == EditState::EditBuffer) SaveEditState();
  return true;
}

bool MacWindowToBufferHandle(Windows::Window* window, TextBuffer& buffer, ANSITerm::TerminalRecord*& terminal) {
  buffer = nullptr;
  terminal = nullptr;
  if (window == nullptr) return false;
  auto* candidate = static_cast<ANSITerm::TerminalRecord*>(Windows::GetRefCon(window));
  if (candidate == nullptr || std::memcmp(candidate->tag, "ANSI", 4) != 0) return false;
  const TextBuffer owner = BufferOf(candidate);
  if (Buffer::GetOrganization(owner) != Buffer::kText) return false;
  if (LiveWindowOf(ReadState(owner)).terminal != candidate) return false;
  buffer = owner;
  terminal = candidate;
  return true;
}

void ActivateWindow(Windows::Window* window, bool active) {
  TextBuffer buffer = nullptr;
  ANSITerm::TerminalRecord* terminal = nullptr;
  if (!MacWindowToBufferHandle(window, buffer, terminal)) return;
  ANSITerm::CursorHide(terminal);
  if (active) {
    if (EditState::MessageActive && buffer == EditState::EditBuffer) EditDisplay::Message(EditState::MessageText);
    ScrollBars::Update(terminal);
  } else {
    Mouse::SetArrowCursor();
  }
  ScrollBars::Show(terminal, active);
}

bool BringToFront(Windows::Window* window) {
  ANSITerm::CursorHide(EditState::Console);
  TextBuffer buffer = nullptr;
  ANSITerm::TerminalRecord* terminal = nullptr;
  if (!MacWindowToBufferHandle(window, buffer, terminal)) return false;
  SetupBuffer(buffer, false, false, true);
  return true;
}

bool UpdateMacWindow(Windows::Window* window) {
  TextBuffer buffer = nullptr;
  ANSITerm::TerminalRecord* terminal = nullptr;
  if (!MacWindowToBufferHandle(window, buffer, terminal)) return false;
  UpdateBuffer(buffer, false);
  return true;
}

void ZoomBufferWindow(TextBuffer buffer, bool zoomOut) {
  if (buffer == nullptr) return;
  LiveWindow live = LiveWindowOf(ReadState(buffer));
  if (!live) live = LiveWindow{EditState::Window, EditState::Console};
  EditState::FirstColumn = 0;
  if (live.terminal != nullptr && live.terminal->horizontalScrollBar != nullptr) {
    Controls::SetControlValue(live.terminal->horizontalScrollBar, 0);
  }
  if (zoomOut) {
    ModWindow::ZoomOut(live.window);
  } else {
    ModWindow::ZoomIn(live.window);
  }
  SaveTargetState(buffer);
}

// ---- Text ----------------------------------------------------------------------

void GetSelectRange(std::int32_t& startLine, std::int32_t& startColumn, std::int32_t& endLine,
                    std::int32_t& endColumn) {
  const bool cursorFirst =
      EditState::CursorLine < EditState::SelectLine ||
      (EditState::CursorLine == EditState::SelectLine && EditState::CursorColumn < EditState::SelectColumn);
  startLine = cursorFirst ? EditState::CursorLine : EditState::SelectLine;
  startColumn = cursorFirst ? EditState::CursorColumn : EditState::SelectColumn;
  endLine = cursorFirst ? EditState::SelectLine : EditState::CursorLine;
  endColumn = cursorFirst ? EditState::SelectColumn : EditState::CursorColumn;
}

void BufferRead(TextBuffer source) {
  const std::int32_t n = BufferText::RecordCount(source);
  if (n == 0) return;
  TextBuffer buffer = EditState::EditBuffer;
  const std::int32_t at = EditState::CursorLine;
  const bool pastEnd = at > BufferText::RecordCount(buffer);
  LineText current = "";
  GetLine(at, current);
  const int split = std::clamp(EditState::CursorColumn - 1, 0, Strings::Length(current));
  LineText head = "";
  Strings::Substring(head, current, 0, split);
  const std::span<const char> tail = std::span<const char>(current).subspan(split);
  LineText first = "";
  BufferText::Get(source, 1, first);
  LineText joined = "";
  if (n == 1) {
    if (pastEnd) BufferText::Append(buffer, "");
    Join(joined, head, first, tail);
    BufferText::Replace(buffer, at, joined);
    EditDisplay::Insert(at, EndOfInsert(split + Strings::Length(first), joined));
    return;
  }
  if (!BufferText::Insert(buffer, at, pastEnd ? n : n - 1)) return;
  Join(joined, head, first, "");
  BufferText::Replace(buffer, at, joined);
  LineText line = "";
  for (std::int32_t i = 2; i < n; ++i) {
    BufferText::Get(source, i, line);
    BufferText::Replace(buffer, at + i - 1, line);
  }
  LineText last = "";
  BufferText::Get(source, n, last);
  Join(joined, "", last, pastEnd ? std::span<const char>() : tail);
  BufferText::Replace(buffer, at + n - 1, joined);
  EditDisplay::Insert(at + n - 1, EndOfInsert(Strings::Length(last), joined));
}

void BufferWrite(TextBuffer target, std::int32_t l1, std::int32_t c1, std::int32_t l2, std::int32_t c2) {
  LineText line = "";
  for (std::int32_t i = l1; i <= l2; ++i) {
    GetLine(i, line);
    if (i == l2) line[std::clamp(c2 - 1, 0, EditState::kLineLength)] = 0;
    const int skip = i == l1 ? std::clamp(c1 - 1, 0, Strings::Length(line)) : 0;
    BufferText::Append(target, std::span<const char>(line).subspan(skip));
  }
}

bool FindString(std::span<const char> text) {
  const std::string_view wanted(text.data(), static_cast<std::size_t>(Strings::Length(text)));
  if (wanted.empty()) return false;
  return EditState::Forward ? FindForward(wanted) : FindBackward(wanted);
}

bool AtString(std::span<const char> text) {
  if (Strings::Length(text) == 0) return false;
  LineText line = "";
  GetLine(EditState::CursorLine, line);
  const int at = EditState::CursorColumn - 1;
  return Strings::Search(line, text, at) == at;
}

void CharsForward(std::int32_t count, std::int32_t& line, std::int32_t& column) {
  const std::int32_t lines = BufferText::RecordCount(EditState::EditBuffer);
  std::int64_t remaining = static_cast<std::int64_t>(count) + EditState::CursorColumn - 1;
  line = EditState::CursorLine;
  for (;;) {
    const std::int32_t length = BufferText::RecordLength(EditState::EditBuffer, line);
    if (remaining < length + 1) break;
    if (line >= lines) {
      column = length + 1;
      return;
    }
    remaining -= length + 1;
    ++line;
  }
  column = static_cast<std::int32_t>(remaining + 1);
}

void CharsBackward(std::int32_t count, std::int32_t& line, std::int32_t& column) {
  std::int64_t left = count;
  std::int32_t b = EditState::CursorColumn;
  line = EditState::CursorLine;
  while (left >= b) {
    if (line <= 1) {
      line = 1;
      column = 1;
      return;
    }
    --line;
    left -= b;
    b = BufferText::RecordLength(EditState::EditBuffer, line) + 1;
  }
  column = static_cast<std::int32_t>(b - left);
}

void WordsForward(std::int32_t count, std::int32_t& line, std::int32_t& column, std::int32_t& lastWordStart) {
  const std::int32_t lines = BufferText::RecordCount(EditState::EditBuffer);
  line = EditState::CursorLine;
  int at = EditState::CursorColumn - 1;
  lastWordStart = EditState::CursorColumn;
  LineText text = "";
  int length = GetLine(line, text);
  for (std::int32_t step = 0; step < count; ++step) {
    if (at >= length) {
      if (line >= lines) break;
      length = GetLine(++line, text);
      at = 0;
      lastWordStart = 1;
      continue;
    }
    lastWordStart = at + 1;
    while (at < length && text[at] != ' ') ++at;
    while (at < length && text[at] == ' ') ++at;
  }
  column = std::min(at, length) + 1;
}

void WordsBackward(std::int32_t count, std::int32_t& line, std::int32_t& column, std::int32_t& lastWordEnd) {
  line = EditState::CursorLine;
  LineText text = "";
  const int length = GetLine(line, text);
  int at = std::clamp(EditState::CursorColumn - 1, 0, length);
  lastWordEnd = at + 1;
  for (std::int32_t step = 0; step < count; ++step) {
    if (at <= 0) {
      if (line <= 1) break;
      at = GetLine(--line, text);
      lastWordEnd = at + 1;
      continue;
    }
    lastWordEnd = at + 1;
    while (at > 0 && text[at - 1] == ' ') --at;
    while (at > 0 && text[at - 1] != ' ') --at;
  }
  column = at + 1;
}

void InsertString(std::int32_t count, std::span<const char> text, std::int32_t& line, std::int32_t& column) {
  TextBuffer buffer = EditState::EditBuffer;
  line = EditState::CursorLine;
  column = EditState::CursorColumn;
  LineText current = "";
  const int length = GetLine(line, current);
  const int textLength = Strings::Length(text);
  if (textLength == 0 || count <= 0) return;
  const int room = EditState::kLineLength - length;
  const int copies = static_cast<int>(std::min<std::int64_t>(count, room / textLength));
  if (copies <= 0) return;
  column += copies * textLength;
  const int split = std::clamp(EditState::CursorColumn - 1, 0, length);
  std::string inserted;
  for (int i = 0; i < copies; ++i) inserted.append(text.data(), textLength);
  LineText head = "";
  Strings::Substring(head, current, 0, split);
  LineText joined = "";
  Join(joined, head, std::span<const char>(inserted.c_str(), inserted.size() + 1),
       std::span<const char>(current).subspan(split));
  if (line > BufferText::RecordCount(buffer)) {
    BufferText::Append(buffer, joined);
  } else {
    BufferText::Replace(buffer, line, joined);
  }
}

void InsertLine(std::int32_t count, std::span<const char> text, std::int32_t& line, std::int32_t& column) {
  TextBuffer buffer = EditState::EditBuffer;
  const std::int32_t at = EditState::CursorLine;
  std::int32_t i = at;
  LineText joined = "";
  if (EditState::CursorColumn >= 2 && at <= BufferText::RecordCount(buffer) && count > 0) {
    LineText current = "";
    const int length = GetLine(at, current);
    const int split = std::min(EditState::CursorColumn - 1, length);
    LineText head = "";
    Strings::Substring(head, current, 0, split);
    if (BufferText::Insert(buffer, at + 1, 1)) {
      BufferText::Replace(buffer, at + 1, std::span<const char>(current).subspan(split));
      Join(joined, head, text, "");
      BufferText::Replace(buffer, at, joined);
      --count;
      i = at + 1;
    }
  }
  if (count > 0 && BufferText::Insert(buffer, i, count)) {
    Join(joined, text, "", "");
    for (std::int32_t k = 0; k < count; ++k) BufferText::Replace(buffer, i + k, joined);
    i += count;
  }
  line = i;
  column = 1;
}

int BufferKind(std::span<const char> name) {
  if (Strings::Equal(name, "Command")) return 1;
  if (Strings::Equal(name, "List")) return 2;
  return 0;
}

}  // namespace EditUtility
