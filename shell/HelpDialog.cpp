#include "shell/HelpDialog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "dialogs/Alert.h"
#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/Buffer.h"
#include "foundation/Decode.h"
#include "foundation/EncodeNext.h"
#include "foundation/IOBytes.h"
#include "foundation/Strings.h"
#include "foundation/TermIO.h"
#include "platform/Port.h"
#include "platform/Text.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/MacrosTools.h"
#include "shell/Mouse.h"

namespace HelpDialog {

using namespace ModDialogUt;

TipEntry ItemDescr[kMaxTips + 1];
bool ShowHelp = false;
bool FileIsLoaded = false;
bool ShowMousePos = false;
char TitleBuffer[128] = "";
char TextBuffer[512] = "";
char FontName[40] = "Paladino";
DialogRecord HelpDialog;
ModWindow::WindowParameters WindowParams;

namespace {

constexpr int kFontSize = 10;
constexpr int kTipHeight = 28;
constexpr int kTipWidth = 144;
constexpr int kMeasureMargin = 24;   // added to every measured text width
constexpr int kWidestUnwrapped = 216;
constexpr int kMostPixels = 400;     // the widest and highest a tip grows
constexpr int kFrameWidth = 18;      // the window is this much wider than its tip
constexpr int kNoKey = 0;
constexpr int kControlKey = 16;
constexpr int kCarriageReturn = '\r';
constexpr int kTextIndent = 4;
constexpr int kFirstBaseline = 11;

Buffer::NamedBuffer helpBuffer = nullptr;
int helpFont = -1;
DialogItem* helpItemVector[3] = {};
// Where the pointer was at the last look: until it moves, nothing changes.
Geometry::Point lastLocation{-1, -1};

// ---- The tip window -------------------------------------------------------------

void FillTipItems() {
  // Both texts start on their first line: a baseline derived from the
  // text item's height would lie far below the window.
  FillItemField(&HelpDialog, 1, kText, "", false, "Title", 0, 14, kMostPixels, 14, kTextIndent, kFirstBaseline,
                kFontSize, Port::kBold, 0, false, 65535, 65535, 56000);
  FillItemField(&HelpDialog, 2, kText, "", false, "Text", 0, kMostPixels, kMostPixels, kMostPixels - 13, kTextIndent,
                kFirstBaseline, kFontSize, 0, 0, false, 65535, 65535, 56000);
}

bool CreateWindow() {
  const int width = WindowParams.right - WindowParams.left;
  const int height = WindowParams.bottom - WindowParams.top;
  if (!InitializeRecord(&HelpDialog, helpItemVector, false, false, "Tooltips", "Tooltips", helpFont, kFontSize, 2,
                        WindowParams.left, WindowParams.bottom, width, height, 0) ||
      !ModDialog::Initialize(&HelpDialog, 2, FillTipItems, NoProc, false, false, true, false, false, "")) {
    return false;
  }
  FillEdittextField(&HelpDialog, 1, TitleBuffer, static_cast<int>(sizeof TitleBuffer) - 1);
  FillEdittextField(&HelpDialog, 2, TextBuffer, static_cast<int>(sizeof TextBuffer) - 1);
  ModWindow::SetWindowParameters(HelpDialog.Window, WindowParams);
  return true;
}

int Scaled(int pixels) { return static_cast<int>(std::lround(pixels * MacEnv::ScreenFactor)); }

void DefaultSize() {
  if (ItemDescr[0].width != 0) return;
  ItemDescr[0].height = Scaled(kTipHeight);
  ItemDescr[0].width = Scaled(kTipWidth);
}

void ResetLast() { lastLocation = Geometry::Point{-1, -1}; }

void Hide() {
  ModDialog::Hide(&HelpDialog);
  ResetLast();
}

// Hidden by the pointer's own action: it stays hidden until the pointer
// moves.
void HideUntilMoved(Geometry::Point pointer) {
  Hide();
  lastLocation = pointer;
}

// ---- Sizing --------------------------------------------------------------------

// The width a text needs in the help font, with the window's margins; the
// port is the tip window's.
int Measure(std::string_view text, int face) {
  Port::TextFont(helpFont);
  Port::TextSize(kFontSize);
  Port::TextFace(face);
  return Text::TextWidth(text) + kMeasureMargin;
}

// Breaks the text at blanks into lines of at most width pixels, in place;
// gives the line count and the widest line (at least widest).
int Wrap(char* text, int width, int& widest) {
  const std::size_t length = std::strlen(text);
  int lines = 1;
  std::size_t lineStart = 0;
  std::size_t lastBlank = std::string_view::npos;  // in the current line
  std::size_t at = 0;
  while (at <= length) {
    const std::size_t blank = std::string_view(text, length).find(' ', at);
    const std::size_t wordEnd = blank == std::string_view::npos ? length : blank;
    const int needed = Measure(std::string_view(text + lineStart, wordEnd - lineStart), 0);
    if (needed > width && lastBlank != std::string_view::npos) {
      widest = std::max(widest, Measure(std::string_view(text + lineStart, lastBlank - lineStart), 0));
      text[lastBlank] = static_cast<char>(kCarriageReturn);
      lineStart = lastBlank + 1;
      lastBlank = std::string_view::npos;
      ++lines;
      continue;  // the word again, on its new line
    }
    if (wordEnd >= length) {
      // The last line counts too, or a narrower window would cut it.
      widest = std::max(widest, needed);
      break;
    }
    lastBlank = wordEnd;
    at = wordEnd + 1;
  }
  return lines;
}

void SizeTip(TipEntry& tip, char* text, const DialogRecord& dialog) {
  int height = kTipHeight;
  int width = kTipWidth;
  const int titleWidth = Measure(tip.title, Port::kBold);
  // A title wider than a tip may grow is cut by the window, not a reason
  // for a window beyond the screen's reach.
  width = std::min(std::max(width, titleWidth), kMostPixels);
  const int textWidth = Measure(text, 0);
  if (textWidth > width && textWidth <= kWidestUnwrapped) width = textWidth;
  if (textWidth > width) {
    const int limit = std::min(dialog.Items[0]->Rect.right + 12, kMostPixels);
    for (int k = 1;; ++k) {
      if ((textWidth - 1) / width + 1 <= k + 1) break;
      width = width * 5 / 4;
      if (width > limit) {
        width = limit;
        break;
      }
    }
    int widest = titleWidth;
    const int lines = Wrap(text, width, widest);
    if (widest > 0 && widest < width) width = widest;
    height = std::min((lines - 1) * DefaultLineSpacing(kFontSize) + kTipHeight, kMostPixels);
  }
  tip.height = Scaled(height);
  tip.width = Scaled(width);
}

// ---- The help file -------------------------------------------------------------

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The help file's text in the buffer, one byte longer than the file for
// the text end. FALSE after its alert.
bool ReadFile(std::span<const char> name, char*& text, std::int32_t& length) {
  helpBuffer = Buffer::Create("HelpFileBuffer", Buffer::kSingleBlock);
  if (helpBuffer == nullptr) {
    Alert::OK("HelpFile - Unable to create input buffer.");
    return false;
  }
  char shown[300] = "Loading \"";
  const std::string_view path(name.data(), static_cast<std::size_t>(Strings::Length(name)));
  Strings::Concat(shown, path.substr(path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1));
  Strings::Concat(shown, "\"");
  IOBytes::FileHandle file;
  length = 0;
  void* block = nullptr;
  bool read = IOBytes::Open(name, nullptr, IOBytes::ModeRead, file) && IOBytes::GetLength(file, length);
  if (read && length > 0) {
    Buffer::AllocateBlock(helpBuffer, length + 1, block);
    std::int32_t count = length;
    read = block != nullptr && IOBytes::Read(file, count, block) && count == length;
  }
  IOBytes::Close(file);
  if (!read) {
    Alert::IOError(shown);
    return false;
  }
  if (length == 0) {
    Alert::OK("HelpFile - file is empty.");
    return false;
  }
  Buffer::SetHeader(helpBuffer, block, length);
  int organisation = 0;
  void* address = nullptr;
  std::int32_t size = 0;
  Buffer::GetHeader(helpBuffer, organisation, address, size);
  if (address == nullptr) {
    Alert::OK("HelpFile - Unable to address input buffer.");
    return false;
  }
  text = static_cast<char*>(address);
  text[size] = '\0';
  return true;
}

// Reads the help text from a position; the text ends at its NUL.
struct Scanner {
  char* at;

  bool AtEnd() const { return *at == '\0'; }
  void SkipBlanks() {
    while (*at == ' ') ++at;
  }
  void SkipLine() {
    while (!AtEnd() && !IsLineEnd(*at)) ++at;
  }
  void SkipLineEndsAndComments() {
    for (;;) {
      if (IsLineEnd(*at)) {
        ++at;
      } else if (*at == ';') {
        SkipLine();
      } else {
        return;
      }
    }
  }
  bool StartsWith(std::string_view word, bool anyCase) const {
    for (std::size_t i = 0; i < word.size(); ++i) {
      const char c = at[i];
      if (c == '\0') return false;
      const char wanted = word[i];
      if (anyCase ? (c & ~0x20) != (wanted & ~0x20) : c != wanted) return false;
    }
    return true;
  }
  // The rest of the line, its end made the text end.
  char* RestOfLine() {
    char* start = at;
    SkipLine();
    if (!AtEnd()) *at++ = '\0';
    return start;
  }
  // A field: up to ";" or the line end, made the text end; ended tells
  // which one ended it.
  char* Field(char& ended) {
    char* start = at;
    while (!AtEnd() && *at != ';' && !IsLineEnd(*at)) ++at;
    ended = *at;
    if (!AtEnd()) *at++ = '\0';
    return start;
  }
};

bool ReadHeader(Scanner& s) {
  std::int32_t version = 0;
  if (s.StartsWith("HELP-FILE", false)) {
    char* line = s.RestOfLine();
    int pos = 9;
    EncodeNext::Integer(std::span<const char>(line, std::strlen(line)), pos, version);
  }
  const bool accepted = version == MacrosTools::MacrosVersion || (version == 0 && !MacEnv::CombinedNames);
  if (!accepted) {
    TermIO::WriteAlertLine("HelpFile - incorrect version.");
    Alert::OK("HelpFile - incorrect version.");
  }
  return accepted;
}

void ReadFontLine(Scanner& s) {
  if (!s.StartsWith("FONT:", true)) return;
  s.at += 5;
  s.SkipBlanks();
  Strings::Assign(FontName, std::string_view(s.RestOfLine()));
}

// The entries up to the text end or a comment line; the next tip number.
int ReadEntries(Scanner& s) {
  int n = 1;
  for (;;) {
    while (IsLineEnd(*s.at)) ++s.at;
    if (s.AtEnd() || *s.at == ';') break;
    char ended = 0;
    const char* reference = s.Field(ended);
    DialogRecord* dialog = nullptr;
    MacrosTools::MacroItem item;
    const bool found = MacrosTools::GetDialogItem(std::string_view(reference), 0, dialog, item);
    if (!found || item.Item < 0 || dialog == nullptr) {
      if (ended == ';') s.SkipLine();
      continue;
    }
    if (n > kMaxTips) {
      TermIO::WriteAlertLine(" ## Error: too many tool tips ## ");
      break;
    }
    TipEntry& tip = ItemDescr[n];
    s.SkipBlanks();
    tip.title = s.Field(ended);
    s.SkipBlanks();
    char* text = s.RestOfLine();
    tip.text = text;
    dialog->Items[item.Item]->HelpIndex = n;
    SizeTip(tip, text, *dialog);
    ++n;
  }
  return n;
}

// The texts the window shows for the item: its tip, or in the position
// display its name and the pointer's local position.
void FillTexts(const DialogRecord& dialog, int n, Geometry::Point local) {
  const DialogItem& it = *dialog.Items[n];
  Strings::Clear(TitleBuffer);
  Strings::Clear(TextBuffer);
  if (ShowMousePos) {
    if (!MacEnv::CombinedNames) {
      Strings::Concat(TitleBuffer, dialog.MacroName);
      Strings::Concat(TitleBuffer, "  ");
    }
    Strings::Concat(TitleBuffer, it.Name);
    Strings::Concat(TitleBuffer, " (");
    Decode::Integer(n, TitleBuffer, 0);
    Strings::Concat(TitleBuffer, ")");
    Strings::Assign(TextBuffer, "x = ");
    Decode::Integer(local.h, TextBuffer, 0);
    Strings::Concat(TextBuffer, ",  y = ");
    Decode::Integer(local.v, TextBuffer, 0);
  } else if (it.HelpIndex > 0 && it.HelpIndex <= kMaxTips && ItemDescr[it.HelpIndex].title != nullptr) {
    Strings::Assign(TitleBuffer, std::string_view(ItemDescr[it.HelpIndex].title));
    Strings::Assign(TextBuffer, std::string_view(ItemDescr[it.HelpIndex].text));
  }
}

// Beside the pointer (global position), turned to its left or above it
// near the screen's edges.
void Place(const DialogItem& it, Geometry::Point pointer) {
  int entry = 0;
  if (!ShowMousePos && FileIsLoaded && it.HelpIndex > 0 && it.HelpIndex <= kMaxTips) entry = it.HelpIndex;
  if (entry == 0) DefaultSize();
  const int width = ItemDescr[entry].width + kFrameWidth;
  const int height = ItemDescr[entry].height;
  ModWindow::WindowParameters screen;
  screen.top = -32768;
  screen.left = -32768;
  screen.bottom = 32767;
  screen.right = 32767;
  ModWindow::ClipToActiveScreen(screen);
  int left = pointer.h + 12;
  int top = pointer.v + 4;
  if (screen.right < pointer.h + width + 12) left -= width + 16;
  if (screen.bottom < pointer.v + height + 4) top -= height + 8;
  WindowParams.left = static_cast<std::int16_t>(left);
  WindowParams.top = static_cast<std::int16_t>(top);
  WindowParams.right = static_cast<std::int16_t>(left + width);
  WindowParams.bottom = static_cast<std::int16_t>(top + height);
  if (HelpDialog.Open) {
    ModWindow::SetWindowParameters(HelpDialog.Window, WindowParams);
  } else if (!CreateWindow()) {
    return;
  }
  ModDialog::BringToFront(&HelpDialog);
  ModDialog::Update(&HelpDialog);
}

// The item with a tip (any item in the position display) under the
// pointer, in an open dialog other than the tip window.
bool ItemUnder(Geometry::Point pointer, DialogRecord*& dialog, int& n, Geometry::Point& local) {
  Windows::Window* window = nullptr;
  if (Windows::FindWindow(pointer, &window) != Windows::kInContent) return false;
  dialog = ModDialogTools::MacWindowToDialogPtr(window);
  if (dialog == nullptr || dialog == &HelpDialog || !dialog->Open) return false;
  const Geometry::Rect content = Windows::ContentRect(window);
  local = Geometry::Point{pointer.h - content.left, pointer.v - content.top};
  for (n = 1; n <= dialog->ItemCount; ++n) {
    const DialogItem& it = *dialog->Items[n];
    if ((it.HelpIndex > 0 || ShowMousePos) && ModDialog::IsVisible(dialog, n) && Geometry::PtInRect(local, it.Rect)) {
      return true;
    }
  }
  return false;
}

}  // namespace

void InitModule() {
  ClearRecord(&HelpDialog);
  ShowHelp = false;
  FileIsLoaded = false;
  ShowMousePos = false;
  Strings::Clear(TitleBuffer);
  Strings::Clear(TextBuffer);
  helpFont = -1;
  helpBuffer = nullptr;
  std::fill(std::begin(ItemDescr), std::end(ItemDescr), TipEntry{});
  Strings::Assign(FontName, "Paladino");
  WindowParams = ModWindow::WindowParameters{};
  ResetLast();
}

bool LoadFile(std::span<const char> name) {
  FileIsLoaded = false;
  std::fill(std::begin(ItemDescr) + 1, std::end(ItemDescr), TipEntry{});
  char* text = nullptr;
  std::int32_t length = 0;
  if (!ReadFile(name, text, length)) return false;
  Scanner s{text};
  s.SkipLineEndsAndComments();
  if (!ReadHeader(s)) return false;
  s.SkipLineEndsAndComments();
  ReadFontLine(s);
  s.SkipLineEndsAndComments();
  if (!HelpDialog.Open) {
    helpFont = Graphics::GetFont(FontName);
    DefaultSize();
    WindowParams = ModWindow::WindowParameters{1, 1, static_cast<std::int16_t>(1 + ItemDescr[0].height),
                                               static_cast<std::int16_t>(1 + ItemDescr[0].width), 0, 0};
    if (!CreateWindow()) {
      Alert::OK("HelpFile - window could not be created.");
      return false;
    }
  }
  Graphics::PortSave save;
  if (!Graphics::SetPort(HelpDialog.Window, save)) {
    Alert::OK("HelpFile - unexpected error.");
    return false;
  }
  const int tips = ReadEntries(s) - 1;
  Graphics::EndPort(HelpDialog.Window, save);
  if (tips == 0) {
    char message[300] = "";
    Strings::Assign(message, "Loading \"");
    const std::string_view path(name.data(), static_cast<std::size_t>(Strings::Length(name)));
    Strings::Concat(message, path.substr(path.rfind('/') == std::string_view::npos ? 0 : path.rfind('/') + 1));
    Strings::Concat(message, "\": file is empty.");
    Alert::OK(message);
    return false;
  }
  FileIsLoaded = true;
  return true;
}

bool FileLoaded() { return FileIsLoaded; }
bool DoShow() { return ShowHelp; }

void Toggle() {
  ShowHelp = !ShowHelp;
  if (!ShowHelp) Hide();
  Mouse::SetHelpCursor(ShowHelp);
}

void HandleHelp(int code, char, int) {
  if (!ShowHelp) return;
  const Geometry::Point pointer = MacEnv::theEvent.where;
  if (MacEnv::gInBackground) {
    Hide();
    return;
  }
  if (code == 1 || code == 52 || code == 53 || code == 54) return;
  if (code != kNoKey) {
    HideUntilMoved(pointer);
    return;
  }
  const bool showPosition = (ModDialog::KeyDown() & kControlKey) != 0;
  if (pointer == lastLocation && showPosition == ShowMousePos) return;
  ShowMousePos = showPosition;
  DialogRecord* dialog = nullptr;
  int n = 0;
  Geometry::Point local;
  if (!ItemUnder(pointer, dialog, n, local)) {
    HideUntilMoved(pointer);
    return;
  }
  FillTexts(*dialog, n, local);
  Place(*dialog->Items[n], pointer);
  lastLocation = pointer;
}

void Shutdown() {
  if (helpBuffer != nullptr) Buffer::Delete(helpBuffer);
  std::fill(std::begin(ItemDescr), std::end(ItemDescr), TipEntry{});
  FileIsLoaded = false;
  ShowHelp = false;
  ModDialog::Shutdown(&HelpDialog);
  Mouse::SetHelpCursor(false);
  ResetLast();
}

}  // namespace HelpDialog
