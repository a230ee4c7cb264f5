#include "terminal/ANSITerm.h"

#include "foundation/Strings.h"
#include "foundation/platform/Clock.h"
#include "platform/Controls.h"
#include "platform/Events.h"
#include "platform/Fonts.h"
#include "platform/Pattern.h"
#include "platform/Port.h"
#include "platform/Shapes.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/ModWindow.h"
#include "shell/ScrollBars.h"
#include "terminal/ANSIEvents.h"
#include "terminal/EditState.h"
#include "terminal/TermScreen.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace ANSITerm {

int CursorShape = kBlockCursor;
bool EnableApplicationMode = true;
bool ProcessingKeyWindow = false;
bool ReportFrontClick = true;
Buffer::NamedBuffer TerminalHeap = nullptr;
std::uint32_t BlinkTime = 0;

namespace {

constexpr char kTabGlyph = '_';
constexpr char kControlGlyph = 8;
constexpr int kLeftMargin = 5;
constexpr int kRightMargin = 2;
constexpr int kTopMargin = 3;
// The whole window: every caller wants the region to reach the last line.
constexpr std::int32_t kAllLines = 32767;
// Messages go to the last line instead of the scroll-bar band above this
// font size (points), and the band is this high.
constexpr int kBandFontLimit = 14;
constexpr int kBandHeight = 14;
// A band narrower than this covers the horizontal bar instead.
constexpr int kLeastBandWidth = 120;
constexpr int kGrowBoxRoom = 15;

Observer* observer = nullptr;

std::int32_t Saturate(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

void Observe(const TerminalRecord& t, Operation operation, std::int32_t a = 0, std::int32_t b = 0) {
  if (observer != nullptr) observer->Called(t, operation, a, b);
}

bool LineShown(const TerminalRecord& t) { return t.cursorLine >= 0 && t.cursorLine < t.scrollRegionBottom; }

bool BlinkDue() { return static_cast<std::int32_t>(Platform::Tick_Count() - BlinkTime) >= 0; }

// Toggles the cursor on the screen, or marks it not drawn where it cannot
// be drawn.
void DoInvertCursor(TerminalRecord& t) {
  const bool outside = t.cursorColumn > t.columns || t.cursorColumn < 0 || !LineShown(t);
  if (outside || (MacEnv::gInBackground && !t.cursorDrawn)) {
    t.cursorDrawn = false;
  } else {
    TermScreen::InvertCursor(t, CursorShape);
    t.cursorDrawn = !t.cursorDrawn;
  }
  BlinkTime = Platform::Tick_Count() + Events::GetCaretTime();
}

// The pending characters as one run at the cursor: those left of column 0
// are skipped, those right of the last column not shown; the column
// advances by all of them.
void DrawPending(TerminalRecord& t) {
  if (t.pendingCount == 0) return;
  const std::int64_t column = t.cursorColumn;
  const int skipped = static_cast<int>(std::min<std::int64_t>(column < 0 ? -column : 0, t.pendingCount));
  const int first = static_cast<int>(std::max<std::int64_t>(column, 0));
  if (LineShown(t) && first < t.columns && skipped < t.pendingCount) {
    const int shown = std::min(t.pendingCount - skipped, t.columns - first);
    const std::span<const char> run(t.pending + skipped, static_cast<std::size_t>(shown));
    if (t.cursorDrawn) DoInvertCursor(t);
    TermScreen::Run(t, t.cursorLine, first, run);
    if (observer != nullptr) observer->Drew(t, t.cursorLine, first, run);
  }
  t.cursorColumn = Saturate(column + t.pendingCount);
  t.pendingCount = 0;
}

void HideCursor(TerminalRecord& t) {
  DrawPending(t);
  if (t.cursorDrawn) DoInvertCursor(t);
}

void ShowCursor(TerminalRecord& t) {
  if (!t.cursorEnabled) return;
  if (t.cursorDrawn) {
    BlinkTime = Platform::Tick_Count() + Events::GetCaretTime();
  } else {
    DoInvertCursor(t);
  }
}

void SetRendition(TerminalRecord& t, int rendition) {
  t.rendition = rendition == kHighlight || rendition == kInverse ? rendition : kNormal;
  t.textMode = t.rendition == kInverse ? Graphics::kTextInverted : Graphics::kTextNormal;
}

Geometry::Rect PortRect(const TerminalRecord& t) { return Windows::GetWindowPort(t.window)->portRect; }

// The rectangle the text area is cut from.
Geometry::Rect BaseRect(const TerminalRecord& t) {
  const Graphics::GraphicsWindow g = t.graphicsWindow;
  if (t.hasScrollBars || g == nullptr) return PortRect(t);
  return Geometry::SetRect(g->left, g->top, g->right, g->bottom);
}

void Layout(TerminalRecord& t, std::int32_t top, std::int32_t bottom) {
  t.scrollRegionTop = top;
  t.messageSavedTop = -1;
  t.messageInBand = false;
  if (t.window == nullptr) {
    t.scrollRegionBottom = std::min(bottom, t.lines);
    return;
  }
  const int bar = t.hasScrollBars ? ScrollBars::ScrollBarWidth : 0;
  const std::int64_t topMargin =
      std::min<std::int64_t>(kTopMargin + (static_cast<std::int64_t>(top) - 1) * t.lineHeight, Surface::kMaxSide);
  const Geometry::Rect base = BaseRect(t);
  t.left = base.left + kLeftMargin;
  t.right = base.right - kRightMargin - bar;
  t.top = base.top + static_cast<int>(topMargin);
  t.bottom = base.bottom - bar;
  t.lines = std::max(0, (t.bottom - t.top) / t.lineHeight);
  t.columns = std::clamp((t.right - t.left - 1) / t.characterWidth, 0, kMaxColumns);
  t.scrollRegionBottom = std::min(bottom, t.lines);
  t.textRect = Geometry::SetRect(t.left - 1, t.top, t.right, t.top + t.scrollRegionBottom * t.lineHeight);
  TermScreen::FitGrid(t);
}

// The font's measures, each at least a pixel.
void TakeFont(TerminalRecord& t) {
  const Graphics::GraphicsWindow g = t.graphicsWindow;
  const int factor = g != nullptr && g->platform != nullptr ? g->platform->sizeFactor : 1;
  t.fontNumber = g != nullptr ? g->fontNumber : Fonts::kCourier;
  t.fontSize = g != nullptr ? g->fontSize * factor : 0;
  const Fonts::FontInfo info = Fonts::GetFontInfo(t.fontNumber, t.fontSize, 0);
  t.ascent = info.ascent;
  t.descent = info.descent;
  t.maxWidth = info.widMax;
  t.leading = info.leading;
  t.lineHeight = std::max(1, info.ascent + info.descent);
  t.characterWidth = std::max(1, Fonts::GetGlyph(t.fontNumber, t.fontSize, 0, 'M').advance);
}

void Resize(TerminalRecord& t) {
  DrawPending(t);
  if (t.window != nullptr) TakeFont(t);
  Layout(t, 1, kAllLines);
  t.resized = true;
  if (&t != EditState::Console) return;
  EditState::WindowWidth = t.columns;
  EditState::WindowHeight = t.lines;
  EditState::WindowBandSize = std::min(EditState::WindowBandSize, t.lines / 3);
}

void MoveTo(TerminalRecord& t, std::int32_t line, std::int32_t column) {
  t.cursorLine = line > t.scrollRegionBottom ? t.scrollRegionBottom - 1 : Saturate(std::int64_t{line} - 1);
  t.cursorColumn = Saturate(std::min<std::int64_t>(column, t.columns) - 1);
}

// The region scrolls by n lines from the cursor line (or line 0) down.
void ScrollRegion(TerminalRecord& t, std::int32_t from, std::int64_t n) {
  const int line = std::max(from, 0);
  const std::int64_t room = t.scrollRegionBottom - line;
  if (room <= 0) return;
  const int count = static_cast<int>(std::clamp<std::int64_t>(n, -room, room));
  TermScreen::ScrollLines(t, line, count);
}

void ShiftLine(TerminalRecord& t, std::int32_t n, int sign) {
  HideCursor(t);
  if (n <= 0 || t.cursorColumn >= t.columns || !LineShown(t)) return;
  const int from = std::max(t.cursorColumn, 0);
  TermScreen::ShiftCells(t, t.cursorLine, from, sign * std::min(n, t.columns - from));
}

void EraseInLine(TerminalRecord& t, std::int64_t from, std::int64_t to) {
  DrawPending(t);
  t.cursorDrawn = false;
  if (!LineShown(t)) return;
  const int first = static_cast<int>(std::clamp<std::int64_t>(from, 0, t.columns));
  const int last = static_cast<int>(std::clamp<std::int64_t>(to, 0, t.columns));
  TermScreen::EraseCells(t, t.cursorLine, first, last);
}

void EraseToEnd(TerminalRecord& t) { EraseInLine(t, t.cursorColumn, t.columns); }

void EraseLinesOfRegion(TerminalRecord& t, std::int64_t from, std::int64_t to) {
  const int first = static_cast<int>(std::clamp<std::int64_t>(from, 0, t.scrollRegionBottom));
  const int last = static_cast<int>(std::clamp<std::int64_t>(to, 0, t.scrollRegionBottom));
  TermScreen::EraseLines(t, first, last);
}

void FillWindowWhite(const TerminalRecord& t) {
  TermScreen::Drawing drawing(t);
  Port::ClipRect(PortRect(t));
  Port::RGBBackColor(Color::kWhite);
  Port::BackPat(Pattern::kWhite);
  Shapes::EraseRect(PortRect(t));
}

bool UseBand(const TerminalRecord& t) {
  const Graphics::GraphicsWindow g = t.graphicsWindow;
  return t.window != nullptr && t.hasScrollBars && (g == nullptr || g->fontSize <= kBandFontLimit);
}

// The message band along the window's bottom, beside the horizontal bar.
void OpenBand(TerminalRecord& t) {
  const Geometry::Rect port = PortRect(t);
  const int bar = ScrollBars::ScrollBarWidth;
  int right = port.right - (bar - 1);
  t.bandCoversBar = false;
  if (t.horizontalScrollBar != nullptr) {
    right = ScrollBars::LeftPosition(port);
    if (right - port.left < kLeastBandWidth) {
      right = port.right - kGrowBoxRoom;
      t.bandCoversBar = true;
    }
  }
  t.band = Geometry::SetRect(port.left, port.bottom - kBandHeight, right, port.bottom);
  t.top = port.bottom - bar + 3;
  t.messageInBand = true;
  if (&t == EditState::Console) EditState::WindowWidth = Geometry::Width(t.band) / t.characterWidth - 1;
  TermScreen::EraseLines(t, 0, 1);
  Strings::Clear(t.messageText);
  MoveTo(t, 1, 1);
}

void Start(TerminalRecord& t) {
  HideCursor(t);
  if (t.messageSavedTop < 0) {
    t.messageSavedLine = t.cursorLine;
    t.messageSavedColumn = t.cursorColumn;
    t.messageSavedTop = t.top;
  }
  if (!UseBand(t)) {
    MoveTo(t, t.lines, 1);
    EraseToEnd(t);
    return;
  }
  OpenBand(t);
}

void End(TerminalRecord& t) {
  HideCursor(t);
  SetRendition(t, kNormal);
  if (t.messageSavedTop < 0) return;
  t.messageInBand = false;
  if (&t == EditState::Console) EditState::WindowWidth = t.columns;
  t.top = t.messageSavedTop;
  t.messageSavedTop = -1;
  t.cursorLine = t.messageSavedLine;
  t.cursorColumn = t.messageSavedColumn;
}

TerminalRecord* NewRecord(Buffer::NamedBuffer heap) {
  if (heap == nullptr) return new TerminalRecord;
  void* memory = nullptr;
  Buffer::Allocate(heap, static_cast<std::int32_t>(sizeof(TerminalRecord)), memory);
  if (memory == nullptr) return nullptr;
  auto* t = new (memory) TerminalRecord;
  t->heap = heap;
  return t;
}

}  // namespace

bool Initialize() {
  CursorShape = kBlockCursor;
  EnableApplicationMode = true;
  ReportFrontClick = true;
  ANSIEvents::Reset();
  TerminalHeap = Buffer::Enter("/ANSITerm.Heap", Buffer::kHeap);
  return TerminalHeap != nullptr && Buffer::GetOrganization(TerminalHeap) == Buffer::kHeap;
}

TerminalRecord* Create(bool hasScrollBars, Graphics::GraphicsWindow graphicsWindow) {
  if (graphicsWindow == nullptr || TerminalHeap == nullptr) return nullptr;
  TerminalRecord* t = NewRecord(TerminalHeap);
  if (t == nullptr) return nullptr;
  t->graphicsWindow = graphicsWindow;
  t->window = ModWindow::GetMacWindow(graphicsWindow);
  t->hasScrollBars = hasScrollBars;
  BlinkTime = 0;
  SetRendition(*t, kNormal);
  Resize(*t);
  return t;
}

TerminalRecord* Open(Windows::Window* window, int fontNumber, int fontSize) {
  if (window == nullptr) return nullptr;
  const auto* record = static_cast<const ModWindow::PlatformWindowRecord*>(Windows::GetRefCon(window));
  if (record == nullptr || std::memcmp(record->tag, "WIND", 4) != 0) return nullptr;
  Graphics::SetFont(record->root, fontNumber, fontSize, 0);
  return Create(false, record->root);
}

TerminalRecord* CreateHeadless(int lines, int columns) {
  if (lines < 1 || columns < 1) return nullptr;
  TerminalRecord* t = NewRecord(nullptr);
  t->lines = lines;
  t->columns = std::min(columns, kMaxColumns);
  t->scrollRegionBottom = lines;
  TermScreen::FitGrid(*t);
  return t;
}

void SetEventProcs(TerminalRecord* terminal, EventProc update, EventProc resize, void* userData) {
  if (terminal == nullptr) return;
  terminal->updateProc = update;
  terminal->resizeProc = resize;
  terminal->userData = userData;
}

void SetSize(TerminalRecord* terminal) {
  if (terminal != nullptr) Resize(*terminal);
}

void Close(TerminalRecord*& terminal) {
  if (terminal == nullptr) return;
  HideCursor(*terminal);
  std::fill(std::begin(terminal->tag), std::end(terminal->tag), 0);
  Buffer::NamedBuffer heap = terminal->heap;
  if (heap == nullptr) {
    delete terminal;
  } else {
    terminal->~TerminalRecord();
    void* memory = terminal;
    Buffer::Deallocate(heap, static_cast<std::int32_t>(sizeof(TerminalRecord)), memory);
  }
  terminal = nullptr;
}

int Write(TerminalRecord* terminal, std::span<const char> text) {
  if (terminal == nullptr) return 0;
  const int length = Strings::Length(text);
  for (int i = 0; i < length; ++i) {
    if (terminal->pendingCount == kPendingSize) DrawPending(*terminal);
    char c = text[static_cast<std::size_t>(i)];
    if (c == '\t') {
      c = kTabGlyph;
    } else if (static_cast<unsigned char>(c) < 32) {
      c = kControlGlyph;
    }
    terminal->pending[terminal->pendingCount++] = c;
  }
  return length;
}

void Update(TerminalRecord* terminal) {
  if (terminal != nullptr) DrawPending(*terminal);
}

void GetSize(const TerminalRecord* terminal, int& lines, int& columns) {
  lines = terminal != nullptr ? terminal->lines : 0;
  columns = terminal != nullptr ? terminal->columns : 0;
}

void GetCUP(TerminalRecord* terminal, std::int32_t& line, std::int32_t& column) {
  line = 0;
  column = 0;
  if (terminal == nullptr) return;
  DrawPending(*terminal);
  line = Saturate(std::int64_t{terminal->cursorLine} + 1);
  column = Saturate(std::int64_t{terminal->cursorColumn} + 1);
}

void GetMouseCUP(const TerminalRecord* terminal, std::int32_t& line, std::int32_t& column) {
  line = terminal != nullptr ? terminal->mouseLine : 0;
  column = terminal != nullptr ? terminal->mouseColumn : 0;
}

void BringToFront(TerminalRecord* terminal) {
  if (terminal != nullptr) ModWindow::BringToFront(terminal->graphicsWindow);
}

void CUP(TerminalRecord* terminal, std::int32_t line, std::int32_t column) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kCUP, line, column);
  HideCursor(*terminal);
  MoveTo(*terminal, line, column);
}

void CUU(TerminalRecord* terminal, std::int32_t n) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kCUU, n);
  HideCursor(*terminal);
  terminal->cursorLine = terminal->cursorLine < n ? 0 : Saturate(std::int64_t{terminal->cursorLine} - n);
}

void CUD(TerminalRecord* terminal, std::int32_t n) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kCUD, n);
  HideCursor(*terminal);
  terminal->cursorLine = Saturate(std::int64_t{terminal->cursorLine} + n);
}

void CUF(TerminalRecord* terminal, std::int32_t n) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kCUF, n);
  HideCursor(*terminal);
  terminal->cursorColumn = Saturate(std::int64_t{terminal->cursorColumn} + n);
}

void CUB(TerminalRecord* terminal, std::int32_t n) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kCUB, n);
  HideCursor(*terminal);
  terminal->cursorColumn = terminal->cursorColumn < n ? 0 : Saturate(std::int64_t{terminal->cursorColumn} - n);
}

void IND(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kIND);
  HideCursor(*terminal);
  if (std::int64_t{terminal->cursorLine} + 1 < terminal->scrollRegionBottom) {
    ++terminal->cursorLine;
  } else {
    ScrollRegion(*terminal, 0, -1);
  }
}

void RI(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kRI);
  HideCursor(*terminal);
  if (terminal->cursorLine < 1) {
    ScrollRegion(*terminal, 0, 1);
  } else {
    --terminal->cursorLine;
  }
}

void NEL(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kNEL);
  IND(terminal);
  terminal->cursorColumn = 0;
}

void IL(TerminalRecord* terminal, std::int32_t n) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kIL, n);
  HideCursor(*terminal);
  if (n <= 0 || terminal->cursorLine >= terminal->scrollRegionBottom) return;
  ScrollRegion(*terminal, terminal->cursorLine, n);
}

void DL(TerminalRecord* terminal, std::int32_t n) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kDL, n);
  HideCursor(*terminal);
  if (n <= 0 || terminal->cursorLine >= terminal->scrollRegionBottom) return;
  ScrollRegion(*terminal, terminal->cursorLine, -std::int64_t{n});
  terminal->cursorColumn = 0;
}

void ICH(TerminalRecord* terminal, std::int32_t n) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kICH, n);
  ShiftLine(*terminal, n, 1);
}

void DCH(TerminalRecord* terminal, std::int32_t n) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kDCH, n);
  ShiftLine(*terminal, n, -1);
}

void ECH(TerminalRecord* terminal, std::int32_t n) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kECH, n);
  if (n <= 0 || terminal->cursorColumn >= terminal->columns) {
    DrawPending(*terminal);
    return;
  }
  EraseInLine(*terminal, terminal->cursorColumn, std::int64_t{terminal->cursorColumn} + n);
}

void ELb(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kELb);
  EraseInLine(*terminal, 0, std::int64_t{terminal->cursorColumn} + 1);
}

void ELc(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kELc);
  EraseInLine(*terminal, 0, terminal->columns);
  terminal->cursorColumn = 0;
}

void ELe(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kELe);
  EraseToEnd(*terminal);
}

void EDb(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kEDb);
  EraseInLine(*terminal, 0, std::int64_t{terminal->cursorColumn} + 1);
  EraseLinesOfRegion(*terminal, 0, terminal->cursorLine);
}

void EDe(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kEDe);
  EraseToEnd(*terminal);
  EraseLinesOfRegion(*terminal, std::int64_t{terminal->cursorLine} + 1, terminal->scrollRegionBottom);
}

void EDc(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kEDc);
  TerminalRecord& t = *terminal;
  DrawPending(t);
  if (t.resized && t.window != nullptr) {
    Windows::BeginUpdate(t.window);
    Windows::EndUpdate(t.window);
    Resize(t);
    if (t.hasScrollBars) {
      FillWindowWhite(t);
      Windows::DrawGrowIcon(t.window);
      Controls::DrawControls(t.window);
    }
  }
  TermScreen::EraseLines(t, 0, t.scrollRegionBottom);
  t.cursorLine = 0;
  t.cursorColumn = 0;
  t.cursorDrawn = false;
  t.resized = false;
}

void SGR(TerminalRecord* terminal, int rendition) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kSGR, rendition);
  HideCursor(*terminal);
  SetRendition(*terminal, rendition);
}

void DECSTBM(TerminalRecord* terminal, std::int32_t top, std::int32_t bottom) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kDECSTBM, top, bottom);
  if (top <= 0 || top >= bottom) return;
  HideCursor(*terminal);
  Layout(*terminal, top, bottom);
}

void DECKPAM(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kDECKPAM);
  terminal->keypadApplicationMode = true;
}

void DECKPNM(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  Observe(*terminal, Operation::kDECKPNM);
  terminal->keypadApplicationMode = false;
}

void CursorOn(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  terminal->cursorEnabled = true;
  ShowCursor(*terminal);
}

void CursorOff(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  HideCursor(*terminal);
  terminal->cursorEnabled = false;
}

void CursorShow(TerminalRecord* terminal) {
  if (terminal != nullptr) ShowCursor(*terminal);
}

void CursorHide(TerminalRecord* terminal) {
  if (terminal != nullptr) HideCursor(*terminal);
}

void InvertCursor(TerminalRecord* terminal) {
  if (terminal != nullptr && (terminal->cursorEnabled || terminal->cursorDrawn)) DoInvertCursor(*terminal);
}

// A disabled cursor that is off the screen stays off: blinking never shows
// a cursor that its owner switched off.
void BlinkCursor(TerminalRecord* terminal) {
  if (BlinkDue()) InvertCursor(terminal);
}

void DoBlinkCursor(TerminalRecord* terminal) { BlinkCursor(terminal); }

void StartMessage(TerminalRecord* terminal) {
  if (terminal != nullptr) Start(*terminal);
}

void EndMessage(TerminalRecord* terminal) {
  if (terminal != nullptr) End(*terminal);
}

void ClearMessage(TerminalRecord* terminal) {
  if (terminal == nullptr) return;
  SetRendition(*terminal, kNormal);
  Start(*terminal);
  const bool coveredBar = terminal->messageInBand && terminal->bandCoversBar;
  End(*terminal);
  if (!coveredBar) return;
  Controls::HideControl(terminal->horizontalScrollBar);
  Controls::ShowControl(terminal->horizontalScrollBar);
}

void ScreenLine(const TerminalRecord* terminal, int line, std::span<char> text) {
  Strings::Clear(text);
  if (terminal == nullptr || line < 1 || line > terminal->lines || terminal->columns == 0) return;
  const char* row = terminal->cells.data() + static_cast<std::ptrdiff_t>(line - 1) * terminal->columns;
  int length = terminal->columns;
  while (length > 0 && row[length - 1] == ' ') --length;
  Strings::Substring(text, std::span<const char>(row, static_cast<std::size_t>(terminal->columns)), 0, length);
}

int ScreenRendition(const TerminalRecord* terminal, int line, int column) {
  if (terminal == nullptr || line < 1 || line > terminal->lines || column < 1 || column > terminal->columns) {
    return -1;
  }
  return terminal->cellRenditions[static_cast<std::size_t>(line - 1) * terminal->columns + column - 1];
}

void ScreenMessage(const TerminalRecord* terminal, std::span<char> text) {
  Strings::Clear(text);
  if (terminal != nullptr) Strings::Assign(text, terminal->messageText);
}

void SetObserver(Observer* o) { observer = o; }

}  // namespace ANSITerm
