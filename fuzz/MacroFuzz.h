// Shared by the macro fuzz targets: the headless screen on virtual time
// with the console, menus, dialogs and macros started, and the macro
// fixture's menu and dialog open.
#pragma once

#include <cstdlib>

#include "dialogs/ModDialog.h"
#include "foundation/Buffer.h"
#include "foundation/TermIO.h"
#include "foundation/platform/Clock.h"
#include "platform/UIPlatform.h"
#include "platform/headless/Headless.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/MacrosTools.h"
#include "shell/ModMenus.h"
#include "shell/tests/MacroFixtureDialog.h"
#include "terminal/ANSITerm.h"

namespace MacroFuzz {

inline ModDialogUt::DialogRecord dialog;
inline ModDialogUt::DialogItem* items[MacroFixture::kItems + 1] = {};
inline MacroFixture::Variables variables;
inline int fileMenu = 0;

inline void Check(bool condition) {
  if (!condition) std::abort();
}

inline void Start() {
  Platform::UseVirtualClock(0);
  UIPlatform::InitModule(Headless::Ops(), 640, 480);
  Buffer::InitModule();
  Graphics::InitModule();
  Graphics::Initialize();
  ANSITerm::Initialize();
  TermIO::InitModule();
  ModMenus::InitModule();
  ModDialog::InitModule();
  MacEnv::ScreenFactor = 1.0;
  MacEnv::FontFactor = 1.0;
  MacEnv::CombinedNames = false;
  MacrosTools::InitModule();
  static constexpr ModDialogUt::Proc kItemProcs[MacroFixture::kItems + 1] = {};
  static constexpr ModMenus::Procedure kMenuProcs[4] = {};
  Check(MacroFixture::Build(dialog, items, variables, kItemProcs, kMenuProcs, fileMenu));
}

}  // namespace MacroFuzz
