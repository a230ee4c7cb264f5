#include "terminal/EditUtility.h"

#include "foundation/Buffer.h"
#include "platform/Port.h"
#include "platform/Windows.h"
#include "shell/ScrollBars.h"

namespace EditUtility {

namespace {

// The text area's margins inside the port rectangle; the scroll bars'
// width comes on top at the right and bottom.
constexpr int kLeftMargin = 5;
constexpr int kRightMargin = 2;
constexpr int kTopMargin = 3;

Geometry::Rect TextRectOf(Windows::Window* window) {
  const Geometry::Rect port = Windows::GetWindowPort(window)->portRect;
  const int w = ScrollBars::ScrollBarWidth;
  return Geometry::SetRect(port.left + kLeftMargin, port.top + kTopMargin, port.right - kRightMargin - w,
                           port.bottom - w);
}

}  // namespace

bool CreateEditTerminal(BufferText::TextBuffer buffer, int resourceID, ModWindow::WindowParameters& parameters,
                        int definition, bool front, bool closeBox, bool visible, Graphics::GraphicsWindow& window,
                        ANSITerm::TerminalRecord*& terminal) {
  terminal = nullptr;
  char title[Buffer::kNameSize] = "";
  Buffer::GetName(buffer, title);
  window = ModWindow::Create(resourceID, parameters, definition, title, front, closeBox, visible);
  Windows::Window* macWindow = ModWindow::GetMacWindow(window);
  terminal = ANSITerm::Open(macWindow, parameters.fontNumber, parameters.fontSize);
  if (terminal == nullptr) {
    ModWindow::Remove(window);
    return false;
  }
  terminal->graphicsWindow = window;
  terminal->hasScrollBars = true;
  terminal->textRect = TextRectOf(macWindow);
  ScrollBars::Create(terminal);
  Windows::SetRefCon(macWindow, terminal);
  ANSITerm::SetEventProcs(terminal, nullptr, nullptr, buffer);
  if (front) ScrollBars::Show(terminal, true);
  return true;
}

}  // namespace EditUtility
