// Shared by the dialog framework's tests: the headless layer with the
// graphics module, the console (the notebook buffer's records), the
// terminal layer and the dialog modules set up; dialogs built from a table
// of items in the order every dialog follows, and shut down at the end.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/ModDialog.h"
#include "dialogs/ModDialogUt.h"
#include "dialogs/tests/DialogsUi_fixture.h"

struct ItemSpec {
  int type = ModDialogUt::kText;
  const char* name = "";
  const char* text = "";
  int left = 10;
  int bottom = 30;
  int width = 100;
  int height = 20;
};

class ModDialogTest : public DialogsUiTest {
 protected:
  static constexpr int kMaxItems = 40;

  struct Dialog {
    ModDialogUt::DialogRecord record;
    std::array<ModDialogUt::DialogItem*, kMaxItems + 1> items{};
    ModDialogUt::DialogItem& operator[](int n) { return *record.Items[n]; }
  };

  void SetUp() override;
  void TearDown() override;

  // A cleared dialog that lives until the test's end, when it is shut down.
  Dialog& Make();

  // InitializeRecord with the title and ID name, fill procedure: the
  // items, then `more`. FALSE when a step refuses.
  bool Build(Dialog& dialog, const char* title, const std::vector<ItemSpec>& specs,
             const std::function<void(ModDialogUt::DialogRecord*)>& more = {});
  // Build, then Initialize (kind 0, in front, visible) with the macro name;
  // with load from the dialog's layout file.
  bool Open(Dialog& dialog, const char* title, const std::vector<ItemSpec>& specs,
            const std::function<void(ModDialogUt::DialogRecord*)>& more = {}, const char* macroName = "",
            bool frontOnly = false, bool load = false);

  // The console lines written since SetUp (the notebook buffer's records).
  static std::vector<std::string> ConsoleLines();
  // The pixels of the dialog's window.
  static const Surface::Pixels& PixelsOf(const Dialog& dialog);
  static Surface::Pixel At(const Dialog& dialog, int h, int v);
  // The bounding box of the pixels that differ between the two.
  static Geometry::Rect Changed(const Surface::Pixels& before, const Surface::Pixels& after);

  std::deque<Dialog> dialogs_;
};
