#include "terminal/EditUtility.h"

#include "foundation/Buffer.h"

namespace EditUtility {

bool CreateEditTerminal(BufferText::TextBuffer buffer, int resourceID, ModWindow::WindowParameters& parameters,
                        int definition, bool front, bool closeBox, bool visible, Graphics::GraphicsWindow& window,
                        ANSITerm::TerminalRecord*& terminal) {
  terminal = nullptr;
  char title[Buffer::kNameSize] = "";
  Buffer::GetName(buffer, title);
  window = ModWindow::Create(resourceID, parameters, definition, title, front, closeBox, visible);
  terminal = ANSITerm::Open(ModWindow::GetMacWindow(window), parameters.fontNumber, parameters.fontSize);
  if (terminal == nullptr) ModWindow::Remove(window);
  return terminal != nullptr;
}

}  // namespace EditUtility
