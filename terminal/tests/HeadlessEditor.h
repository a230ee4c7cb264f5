// The editor on the headless screen without the program's start-up: what a
// benchmark or fuzz target of the editor sets up once. Time is virtual.
#pragma once

#include "foundation/Buffer.h"
#include "foundation/platform/Clock.h"
#include "platform/Fonts.h"
#include "platform/UIPlatform.h"
#include "platform/WindowFrame.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/ModWindow.h"
#include "shell/ScrollBars.h"
#include "terminal/ANSITerm.h"
#include "terminal/EditUtility.h"
#include "terminal/Editor.h"
#include "terminal/LineEditor.h"

inline void StartHeadlessEditor(int screenWidth, int screenHeight) {
  Platform::UseVirtualClock(0);
  UIPlatform::InitModule(Headless::Ops(), screenWidth, screenHeight);
  Buffer::InitModule();
  Graphics::InitModule();
  Graphics::Initialize();
  ScrollBars::InitModule();
  ANSITerm::Initialize();
  Editor::Initialize();
  LineEditor::InitModule();
}

// An editor window with a terminal of rows x columns cells in Courier of the
// size, on the buffer, at the screen's top left; nil results when it cannot
// be made.
inline void OpenEditWindow(int rows, int columns, int fontSize, BufferText::TextBuffer buffer,
                           Graphics::GraphicsWindow& window, ANSITerm::TerminalRecord*& terminal) {
  const Fonts::FontInfo info = Fonts::GetFontInfo(Fonts::kCourier, fontSize, 0);
  const int lineHeight = info.ascent + info.descent;
  const int cell = Fonts::GetGlyph(Fonts::kCourier, fontSize, 0, 'M').advance;
  const int bar = ScrollBars::ScrollBarWidth;
  ModWindow::WindowParameters p;
  p.top = 40;
  p.left = 10;
  p.bottom = static_cast<std::int16_t>(p.top + 3 + rows * lineHeight + bar);
  p.right = static_cast<std::int16_t>(p.left + 5 + 2 + bar + columns * cell + 1);
  p.fontNumber = Fonts::kCourier;
  p.fontSize = static_cast<std::int16_t>(fontSize);
  EditUtility::CreateEditTerminal(buffer, 0, p, WindowFrame::kZoomDocProc, true, true, true, window, terminal);
}
