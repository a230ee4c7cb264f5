// Text buffers on printed pages.
#include <algorithm>
#include <limits>

#include "dialogs/Alert.h"
#include "platform/Text.h"
#include "shell/Printer.h"
#include "shell/PrinterLayout.h"
#include "terminal/EditState.h"

namespace Printer {

namespace {

constexpr std::int32_t kWholeText = std::numeric_limits<std::int32_t>::max();

// Measures and draws in the page window's port, in its font.
class PageWindowSink final : public PrinterLayout::PageSink {
 public:
  int TextWidth(std::span<const char> chars) override { return Text::TextWidth(chars); }
  void DrawLine(int h, int v, std::span<const char> chars) override {
    Port::MoveTo(h, v);
    Text::DrawText(chars);
  }
};

bool DoPrintPage(BufferText::TextBuffer buffer, const Geometry::Rect& area, std::int32_t& line,
                 std::int32_t& column, std::int32_t lastLine, std::int32_t lastColumn, int font, int size) {
  if (MainJob == nullptr) return false;
  Graphics::GraphicsWindow page = MainJob->pageWindow;
  Graphics::SetFont(page, font, size, 0);
  const Graphics::Bracket drawing(page);
  if (!drawing.Began()) return false;
  const Fonts::FontInfo info = Text::GetFontInfo();
  PageWindowSink sink;
  return PrinterLayout::LayOutPage(buffer, area, info.ascent + info.descent, Defaults.textWrapping, line, column,
                                   PrinterLayout::End{lastLine, lastColumn}, sink);
}

}  // namespace

bool PrintPage(Graphics::GraphicsWindow window, BufferText::TextBuffer buffer, std::int32_t& line,
               std::int32_t& column, std::int32_t lastLine, std::int32_t lastColumn, int font, int size) {
  if (window == nullptr || buffer == nullptr) return false;
  const Geometry::Rect area = Geometry::SetRect(window->left, window->top, window->right, window->bottom);
  return DoPrintPage(buffer, area, line, column, lastLine, lastColumn, font, size);
}

void PrintRange(BufferText::TextBuffer buffer, std::int32_t firstLine, std::int32_t firstColumn,
                std::int32_t lastLine, std::int32_t lastColumn, int font, int size) {
  if (MainJob == nullptr || buffer == nullptr) return;
  Port::GrafPort* saved = Port::GetPort();
  if (Buffer::GetOrganization(buffer) != Buffer::kText) {
    Alert::OK("Only text buffers can be printed.");
    return;
  }
  const std::int32_t count = BufferText::RecordCount(buffer);
  lastLine = std::min(lastLine, count);
  if (count == 0 || lastLine < firstLine || lastLine <= 0) return;
  if (!StartPage(EditState::Window)) return;
  Port::GrafPort* port = MainJob->printingPort;
  if (port == nullptr) {
    Alert::OK("Printer port is NIL!");
  } else {
    const Geometry::Rect area = PrinterLayout::MarginRect(port->portRect, Defaults.topMargin, Defaults.bottomMargin,
                                                          Defaults.leftMargin, Defaults.rightMargin);
    for (bool first = true; firstLine <= lastLine; first = false) {
      if (!first && !NewPage()) break;
      if (!DoPrintPage(buffer, area, firstLine, firstColumn, lastLine, lastColumn, font, size)) break;
    }
  }
  ClosePage();
  CloseJob();
  Port::SetPort(saved);
}

void PrintBuffer(BufferText::TextBuffer buffer, int font, int size) {
  PrintRange(buffer, 1, 1, kWholeText, kWholeText, font, size);
}

}  // namespace Printer
