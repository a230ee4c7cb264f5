#include "dialogs/tests/ModDialog_fixture.h"

#include "acquisition/tests/Measurement_fixture.h"
#include "dialogs/ModDialogTools.h"
#include "foundation/TermIO.h"
#include "platform/Windows.h"
#include "shell/Graphics.h"
#include "shell/MacEnv.h"
#include "shell/Shell.h"
#include "terminal/ANSITerm.h"

namespace {

std::function<void()> gFill;
void Fill() { gFill(); }

}  // namespace

void ModDialogTest::SetUp() {
  DialogsUiTest::SetUp();
  Graphics::InitModule();
  ASSERT_TRUE(Graphics::Initialize());
  ASSERT_TRUE(ANSITerm::Initialize());
  Shell::Initialize();
  TermIO::InitModule();
  MacEnv::ScreenFactor = 1.0;
  MacEnv::FontFactor = 1.0;
  MacEnv::CombinedNames = false;
  ModDialog::InitModule();
}

void ModDialogTest::TearDown() {
  for (Dialog& dialog : dialogs_) ModDialog::Shutdown(&dialog.record);
  Shell::Shutdown();
  dialogs_.clear();
  gFill = nullptr;
  MacEnv::ScreenFactor = 1.0;
  MacEnv::CombinedNames = false;
  Shell::List = nullptr;
  TermIO::InitModule();
  Graphics::InitModule();
  DialogsUiTest::TearDown();
}

ModDialogTest::Dialog& ModDialogTest::Make() {
  Dialog& dialog = dialogs_.emplace_back();
  ModDialogUt::ClearRecord(&dialog.record);
  return dialog;
}

bool ModDialogTest::Build(Dialog& dialog, const char* title, const std::vector<ItemSpec>& specs,
                          const std::function<void(ModDialogUt::DialogRecord*)>& more) {
  ModDialogUt::ClearRecord(&dialog.record);
  if (!ModDialogUt::InitializeRecord(&dialog.record, dialog.items, true, false, std::string_view(title),
                                     std::string_view(title), Fonts::kGeneva, 12, static_cast<int>(specs.size()),
                                     40, 300, 400, 260, 0)) {
    return false;
  }
  ModDialogUt::DialogRecord* record = &dialog.record;
  gFill = [record, specs, more] {
    for (std::size_t i = 0; i < specs.size(); ++i) {
      const ItemSpec& s = specs[i];
      ModDialogUt::FillTextField(record, static_cast<int>(i) + 1, s.type, std::string_view(s.name), false,
                                 std::string_view(s.text), s.left, s.bottom, s.width, s.height);
    }
    if (more) more(record);
  };
  return true;
}

bool ModDialogTest::Open(Dialog& dialog, const char* title, const std::vector<ItemSpec>& specs,
                         const std::function<void(ModDialogUt::DialogRecord*)>& more, const char* macroName,
                         bool frontOnly, bool load) {
  if (!Build(dialog, title, specs, more)) return false;
  return ModDialog::Initialize(&dialog.record, 0, Fill, ModDialogUt::NoProc, load, true, true, true, frontOnly,
                               std::string_view(macroName));
}

std::vector<std::string> ModDialogTest::ConsoleLines() { return NotebookLines(); }

const Surface::Pixels& ModDialogTest::PixelsOf(const Dialog& dialog) {
  return Windows::PixelsOf(dialog.record.MacWindow);
}

Surface::Pixel ModDialogTest::At(const Dialog& dialog, int h, int v) { return PixelsOf(dialog).At(h, v); }

Geometry::Rect ModDialogTest::Changed(const Surface::Pixels& before, const Surface::Pixels& after) {
  Geometry::Rect box;
  bool any = false;
  for (int v = 0; v < after.Height(); ++v) {
    for (int h = 0; h < after.Width(); ++h) {
      if (before.At(h, v) == after.At(h, v)) continue;
      box = any ? Geometry::UnionRect(box, Geometry::SetRect(h, v, h + 1, v + 1)) : Geometry::SetRect(h, v, h + 1, v + 1);
      any = true;
    }
  }
  return box;
}
