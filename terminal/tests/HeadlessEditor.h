// The editor on the headless screen without the program's start-up: what a
// benchmark or fuzz target of the editor sets up once. Time is virtual.
#pragma once

#include "foundation/Buffer.h"
#include "foundation/platform/Clock.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/ScrollBars.h"
#include "terminal/ANSITerm.h"
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
